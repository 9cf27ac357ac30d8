#include "editor/edit_history.h"

#include <QUndoCommand>

namespace korvane {

// One change: the seal before and after it, and where it was made.
class EditStep : public QUndoCommand {
 public:
  EditStep(EditHistory& history, SealDocument before, SealDocument after, EditPlace place, const QObject* source,
           uint64_t session)
      : m_history(history), m_before(std::move(before)), m_after(std::move(after)), m_place(place),
        m_source(source), m_session(session) {}

  void undo() override { m_history.apply(m_before, m_place); }
  void redo() override {
    if (m_first) {
      m_first = false;  // the change is already in the model
      return;
    }
    m_history.apply(m_after, m_place);
  }
  int id() const override { return 1; }
  bool mergeWith(const QUndoCommand* other) override {
    const auto* next = static_cast<const EditStep*>(other);
    if (!m_source || next->m_source != m_source || next->m_session != m_session) return false;
    m_after = next->m_after;
    return true;
  }

 private:
  EditHistory& m_history;
  SealDocument m_before, m_after;
  EditPlace m_place;
  const QObject* m_source;
  uint64_t m_session;
  bool m_first = true;
};

EditHistory::EditHistory(std::function<void(const SealDocument&, EditPlace)> restore, QObject* parent)
    : QObject(parent), m_restore(std::move(restore)) {
  m_stack.setUndoLimit(kDepth);
}

void EditHistory::Reset(const SealDocument& doc) {
  m_stack.clear();
  m_current = doc;
  m_stack.setClean();
}

void EditHistory::Record(const SealDocument& doc, EditPlace place, const QObject* source) {
  if (m_applying || doc == m_current) return;
  SealDocument before = std::move(m_current);
  m_current = doc;
  m_stack.push(new EditStep(*this, std::move(before), doc, place, source, m_session));
}

void EditHistory::Undo() {
  ++m_session;
  m_stack.undo();
}

void EditHistory::Redo() {
  ++m_session;
  m_stack.redo();
}

void EditHistory::apply(const SealDocument& doc, EditPlace place) {
  m_current = doc;
  m_applying = true;
  m_restore(doc, place);
  m_applying = false;
}

}  // namespace korvane
