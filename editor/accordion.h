// The accordion of seal items: pages of text items, one page open at a
// time. Reports item clicks with page and item index, and page changes;
// the template store counts, reads, removes and appends items by page.
#pragma once

#include <QString>
#include <QToolBox>
#include <vector>

class QListWidget;

namespace korvane {

class Accordion : public QToolBox {
  Q_OBJECT

 public:
  explicit Accordion(QWidget* parent = nullptr);

  int AddPage(const QString& title, const QStringList& items);
  int ItemCount(int page) const;
  QString ItemText(int page, int item) const;
  void RemoveItem(int page, int item);
  void AppendItem(int page, const QString& text);
  // Where an item is drawn, in the page list's viewport (for tests that
  // click it as a user would).
  QListWidget* PageList(int page) const;

 signals:
  void ItemClicked(int page, int item);
  void PageChanged(int page);

 private:
  std::vector<QListWidget*> m_pages;
};

}  // namespace korvane
