#include "editor/accordion.h"

#include <QListWidget>

namespace korvane {

Accordion::Accordion(QWidget* parent) : QToolBox(parent) {
  connect(this, &QToolBox::currentChanged, this, &Accordion::PageChanged);
}

int Accordion::AddPage(const QString& title, const QStringList& items) {
  auto* list = new QListWidget(this);
  list->addItems(items);
  list->setFrameShape(QFrame::NoFrame);
  const int page = int(m_pages.size());
  m_pages.push_back(list);
  // Every click counts, also on the item already selected.
  connect(list, &QListWidget::itemClicked, this,
          [this, list, page](QListWidgetItem* item) { emit ItemClicked(page, list->row(item)); });
  addItem(list, title);
  return page;
}

QListWidget* Accordion::PageList(int page) const {
  return page >= 0 && size_t(page) < m_pages.size() ? m_pages[size_t(page)] : nullptr;
}

int Accordion::ItemCount(int page) const {
  const QListWidget* list = PageList(page);
  return list ? list->count() : 0;
}

QString Accordion::ItemText(int page, int item) const {
  const QListWidget* list = PageList(page);
  const QListWidgetItem* it = list ? list->item(item) : nullptr;
  return it ? it->text() : QString();
}

void Accordion::RemoveItem(int page, int item) {
  if (QListWidget* list = PageList(page)) delete list->takeItem(item);
}

void Accordion::AppendItem(int page, const QString& text) {
  if (QListWidget* list = PageList(page)) list->addItem(text);
}

}  // namespace korvane
