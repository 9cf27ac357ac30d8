#include "editor/template_reader.h"

#include <QMetaObject>

#include "document/template_store.h"

namespace korvane {

TemplateReader::TemplateReader(TemplateStore store, std::function<void(const SealDocument&)> apply, QObject* parent)
    : QObject(parent), m_store(std::move(store)), m_apply(std::move(apply)), m_thread([this] { run(); }) {}

TemplateReader::~TemplateReader() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_changed.notify_all();
  m_thread.join();
}

void TemplateReader::Read(const std::string& name, const SealDocument& base) {
  uint64_t number;
  {
    std::lock_guard lock(m_mutex);
    m_pending.emplace(name, base);
    number = ++m_asked;
  }
  m_changed.notify_all();
  {
    std::unique_lock lock(m_mutex);
    m_changed.wait_for(lock, kWaitForRead, [&] { return m_finished >= number; });
  }
  applyFinished();
}

void TemplateReader::Finish() {
  {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_finished >= m_asked; });
  }
  applyFinished();
}

void TemplateReader::run() {
  std::unique_lock lock(m_mutex);
  while (true) {
    m_changed.wait(lock, [this] { return m_stopping || m_pending; });
    if (m_stopping) return;
    auto [name, doc] = std::move(*m_pending);
    m_pending.reset();
    const uint64_t number = m_asked;
    lock.unlock();
    m_store.Load(doc, name);
    lock.lock();
    if (m_pending) continue;  // a newer read replaces this one
    m_result = std::move(doc);
    m_finished = number;
    m_changed.notify_all();
    QMetaObject::invokeMethod(this, [this] { applyFinished(); }, Qt::QueuedConnection);
  }
}

void TemplateReader::applyFinished() {
  std::optional<SealDocument> doc;
  {
    std::lock_guard lock(m_mutex);
    if (m_applied == m_finished || !m_result) return;
    m_applied = m_finished;
    doc = std::move(m_result);
    m_result.reset();
  }
  m_apply(*doc);
}

}  // namespace korvane
