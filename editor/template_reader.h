// Reading a template on a click without holding the window: a template may
// be 16 MiB, which takes seconds to convert and parse. A read that ends
// within kWaitForRead is applied at once, as if done in place; a longer one
// when it ends, unless a newer read was asked for meanwhile.
#pragma once

#include <QObject>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "document/seal_document.h"
#include "document/template_store.h"

namespace korvane {

class TemplateReader : public QObject {
  Q_OBJECT

 public:
  static constexpr std::chrono::milliseconds kWaitForRead{100};

  // `apply` gets each finished read's seal, on this object's thread.
  TemplateReader(TemplateStore store, std::function<void(const SealDocument&)> apply, QObject* parent = nullptr);
  ~TemplateReader() override;

  // Reads the stored template `name` over a copy of `base`. A missing or
  // unreadable file gives `base` back unchanged.
  void Read(const std::string& name, const SealDocument& base);
  // Waits until the newest read is applied.
  void Finish();

 private:
  void run();
  void applyFinished();

  const TemplateStore m_store;
  std::function<void(const SealDocument&)> m_apply;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::optional<std::pair<std::string, SealDocument>> m_pending;
  std::optional<SealDocument> m_result;
  uint64_t m_asked = 0, m_finished = 0, m_applied = 0;
  bool m_stopping = false;
  std::thread m_thread;
};

}  // namespace korvane
