#include "editor/seal_preview.h"

#include <QMetaObject>

#include "drawing/gfx_status.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace korvane {

namespace {
constexpr std::chrono::seconds kIdleBeforeTrim{30};
}  // namespace

// One thread renders; the window thread shows. The two renderers swap under
// the lock when a render ends, so the shown one is never drawn into.
struct SealPreview::Worker {
  std::mutex mutex;
  std::condition_variable changed;
  std::optional<SealDocument> pending;  // the newest change not yet taken
  uint64_t asked = 0;                   // changes asked for
  uint64_t finished = 0;                // the newest change rendered (or refused)
  uint64_t shown = 0;                   // the change the canvas shows
  int32_t finishedWidth = 0, finishedHeight = 0;
  bool stopping = false;
  std::atomic<bool> abandon{false};     // a newer change waits: drop this render
  RenderCaches caches;  // shared by both renderers and the window's exports
  SealRenderer front{caches}, back{caches};
  std::function<void()> notify;         // tells the window thread a render ended
  std::thread thread;

  void run() {
    back.SetAbortFlag(&abandon);
    std::unique_lock lock(mutex);
    bool trimmed = true;
    while (true) {
      // A preview left alone lets go of what it keeps for the next render.
      if (!changed.wait_for(lock, kIdleBeforeTrim, [this] { return stopping || pending; })) {
        if (!trimmed) TrimThreadScratch();
        trimmed = true;
        continue;
      }
      if (stopping) return;
      trimmed = false;
      const SealDocument doc = std::move(*pending);
      pending.reset();
      const uint64_t number = asked;
      abandon = false;
      lock.unlock();
      const bool rendered = back.RenderSeal(doc);
      lock.lock();
      if (abandon && pending) continue;  // a newer change is waiting
      // A refused render keeps the last good seal, placed by the new size.
      if (rendered) {
        std::swap(front, back);
        front.SetAbortFlag(nullptr);
        back.SetAbortFlag(&abandon);
      }
      finished = number;
      finishedWidth = doc.Width, finishedHeight = doc.Height;
      changed.notify_all();
      if (notify) notify();
    }
  }
};

SealPreview::SealPreview() : m_worker(std::make_unique<Worker>()) {
  m_worker->thread = std::thread([w = m_worker.get()] { w->run(); });
}

SealPreview::~SealPreview() {
  {
    std::lock_guard lock(m_worker->mutex);
    m_worker->stopping = true;
    m_worker->abandon = true;
    m_worker->notify = nullptr;
  }
  m_worker->changed.notify_all();
  m_worker->thread.join();
}

void SealPreview::PreparePreview(CanvasPanel* panel) {
  m_panel = panel;
  m_surface.Attach(panel);
  {
    std::lock_guard lock(m_worker->mutex);
    m_worker->notify = [this] {
      QMetaObject::invokeMethod(m_panel, [this] { showFinished(); }, Qt::QueuedConnection);
    };
  }
  GfxImage checker;
  if (!checker.LoadFromBytes(CheckerboardBmpBytes())) return;
  if (!m_checkerBrush.Create(checker, WrapModeTile)) return;
  if (!m_canvas.Create(panel->width(), panel->height())) return;
  m_canvas.FillRectangle(m_checkerBrush, 0.0f, 0.0f, float(m_canvas.GetWidth()), float(m_canvas.GetHeight()));
  m_surface.Show(m_canvas);
  checker.Dispose();  // the brush keeps its own copy
}

void SealPreview::RedrawPreview(const SealDocument& doc) {
  Worker& w = *m_worker;
  uint64_t number;
  {
    std::lock_guard lock(w.mutex);
    w.pending = doc;
    number = ++w.asked;
    w.abandon = true;  // whatever renders now is out of date
  }
  w.changed.notify_all();
  {
    std::unique_lock lock(w.mutex);
    w.changed.wait_for(lock, kWaitForRender, [&] { return w.finished >= number; });
  }
  showFinished();
}

void SealPreview::FinishPendingRender() {
  Worker& w = *m_worker;
  {
    std::unique_lock lock(w.mutex);
    w.changed.wait(lock, [&] { return w.finished >= w.asked; });
  }
  showFinished();
}

const SealRenderer& SealPreview::Renderer() const { return m_worker->front; }

RenderCaches& SealPreview::Caches() { return m_worker->caches; }

void SealPreview::showFinished() {
  Worker& w = *m_worker;
  std::lock_guard lock(w.mutex);
  if (w.shown == w.finished) return;
  w.shown = w.finished;
  compose(w.front, w.finishedWidth, w.finishedHeight);
}

void SealPreview::compose(const SealRenderer& shown, int32_t width, int32_t height) {
  if (!m_canvas.GetNative() || !m_checkerBrush.GetNative()) return;
  const int32_t pw = m_canvas.GetWidth(), ph = m_canvas.GetHeight();
  m_canvas.FillRectangle(m_checkerBrush, 0.0f, 0.0f, float(pw), float(ph));
  if (shown.SealBitmap().GetNative())
    m_canvas.DrawImageI(shown.SealBitmap(), TruncToInt((pw - double(width)) / 2.0), TruncToInt((ph - double(height)) / 2.0));
  // The panel shows the canvas's own pixels: nothing is copied.
  m_surface.Show(m_canvas);
}

}  // namespace korvane
