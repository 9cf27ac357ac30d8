// "新建": a new seal from one of the shipped presets, chosen by its name and
// a small picture of it.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QListWidget;

namespace korvane {

// The caption a preset is offered under; its file name when it has none.
QString PresetCaption(const std::string& name);

class PresetChooser : public QDialog {
  Q_OBJECT

 public:
  explicit PresetChooser(QWidget* parent = nullptr);
  // The preset picked, or nothing when the dialog was cancelled.
  std::optional<std::string> Chosen() const;

 private:
  QListWidget* m_list;
};

}  // namespace korvane
