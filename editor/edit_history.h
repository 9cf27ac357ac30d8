// Undo and redo of every change to the seal. The window records a step
// each time the model differs from what the last step left (every change
// ends in one redraw); typing in one box, or turning the wheel on it, makes
// one step until another control takes the focus. A step remembers which
// item of which page it changed, so that undoing it shows that panel.
#pragma once

#include <QObject>
#include <QUndoStack>

#include <functional>

#include "document/seal_document.h"

namespace korvane {

// Where a change was made: the accordion page and item shown then (-1: none).
struct EditPlace {
  int page = -1;
  int item = -1;
};

class EditHistory : public QObject {
  Q_OBJECT

 public:
  // Steps kept; the oldest go first.
  static constexpr int kDepth = 500;

  // `restore` puts a seal back in the model and shows the place it was
  // changed in.
  EditHistory(std::function<void(const SealDocument&, EditPlace)> restore, QObject* parent = nullptr);

  // The seal now is the start: no step leads back from it (a new window).
  void Reset(const SealDocument& doc);
  // Records a step when `doc` differs from the last step's seal. `source`
  // identifies the control the change came from (null: never merged).
  void Record(const SealDocument& doc, EditPlace place, const QObject* source);
  // The next change starts a new step, even from the same control.
  void Break() { ++m_session; }

  void Undo();
  void Redo();
  bool CanUndo() const { return m_stack.canUndo(); }
  bool CanRedo() const { return m_stack.canRedo(); }
  int Count() const { return m_stack.count(); }
  // Whether the seal differs from the one marked clean (a save, or the start).
  bool Modified() const { return !m_stack.isClean(); }
  void MarkClean() { m_stack.setClean(); }

 private:
  friend class EditStep;
  void apply(const SealDocument& doc, EditPlace place);

  std::function<void(const SealDocument&, EditPlace)> m_restore;
  QUndoStack m_stack;
  SealDocument m_current;  // the seal the last step left
  bool m_applying = false;
  uint64_t m_session = 0;
};

}  // namespace korvane
