#include "editor/seal_preview.h"

#include <QMetaObject>

#include <algorithm>
#include <cmath>

#include "drawing/gfx_status.h"
#include "render/seal_output.h"

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
  Job pendingJob;
  uint64_t asked = 0;                   // changes asked for
  uint64_t finished = 0;                // the newest change rendered (or refused)
  uint64_t shown = 0;                   // the change the canvas shows
  Job finishedJob;
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
      const Job job = pendingJob;
      pending.reset();
      const uint64_t number = asked;
      abandon = false;
      lock.unlock();
      const bool rendered = job.outOfView ? false
                            : job.cropped ? back.RenderSealScaled(doc, job.zoom, &job.crop)
                                        : back.RenderSealScaled(doc, job.zoom);
      lock.lock();
      if (abandon && pending) continue;  // a newer change is waiting
      // A refused render keeps the last good seal, placed by the new size.
      if (rendered) {
        std::swap(front, back);
        front.SetAbortFlag(nullptr);
        back.SetAbortFlag(&abandon);
      }
      finished = number;
      finishedJob = job;
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
  m_doc = doc;
  const Job job = jobFor(doc);
  uint64_t number;
  {
    std::lock_guard lock(w.mutex);
    w.pending = doc;
    w.pendingJob = job;
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
  compose(w.front, w.finishedJob);
}

void SealPreview::sealOrigin(const SealDocument& doc, double* x, double* y) const {
  if (!m_view.centred) {
    *x = m_view.left, *y = m_view.top;
    return;
  }
  const double pw = m_panel ? m_panel->width() : 0, ph = m_panel ? m_panel->height() : 0;
  *x = TruncToInt((pw - std::round(doc.Width * m_view.zoom)) / 2.0);
  *y = TruncToInt((ph - std::round(doc.Height * m_view.zoom)) / 2.0);
}

void SealPreview::SealOrigin(int32_t* x, int32_t* y) const {
  double left, top;
  sealOrigin(m_doc, &left, &top);
  *x = int32_t(std::lround(left)), *y = int32_t(std::lround(top));
}

SealPreview::Job SealPreview::jobFor(const SealDocument& doc) const {
  Job job;
  job.zoom = m_view.zoom;
  double left, top;
  sealOrigin(doc, &left, &top);
  job.x = int32_t(std::lround(left)), job.y = int32_t(std::lround(top));
  // Millimetres from the seal's outer edge, when it has a size on paper.
  if (doc.SizeMM > 0 && doc.Width >= 1 && doc.Height >= 1) {
    const SealBox outer = SealOuterBox(doc);
    job.rulers.pixelsPerMm = job.zoom * SealOuterExtent(doc) / doc.SizeMM;
    job.rulers.zeroX = job.x + outer.X * job.zoom;
    job.rulers.zeroY = job.y + outer.Y * job.zoom;
  }
  // At its own size the whole seal is drawn, as the exports want it.
  if (job.zoom == 1 || !m_panel) return job;
  // Zoomed, the part in view: whole panel pixels, so that the render's
  // pixels are the panel's.
  const int32_t sw = int32_t(std::round(doc.Width * job.zoom)), sh = int32_t(std::round(doc.Height * job.zoom));
  const int32_t x0 = std::max(job.x, 0), y0 = std::max(job.y, 0);
  const int32_t x1 = std::min(job.x + sw, m_panel->width()), y1 = std::min(job.y + sh, m_panel->height());
  if (x1 <= x0 || y1 <= y0) {
    job.outOfView = true;
    return job;
  }
  job.cropped = true;
  job.crop = {(x0 - job.x) / job.zoom, (y0 - job.y) / job.zoom, (x1 - x0) / job.zoom, (y1 - y0) / job.zoom};
  job.x = x0, job.y = y0;
  return job;
}

void SealPreview::setView(const View& view) {
  m_view = view;
  m_view.zoom = std::clamp(view.zoom, kMinZoom, kMaxZoom);
  RedrawPreview(m_doc);
}

void SealPreview::ZoomAt(double zoom, int32_t x, int32_t y) {
  if (!m_panel || !(zoom > 0)) return;
  zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
  double left, top;
  sealOrigin(m_doc, &left, &top);
  // The seal point under (x, y) stays under it.
  const double sx = (x - left) / m_view.zoom, sy = (y - top) / m_view.zoom;
  View view;
  view.zoom = zoom;
  view.centred = false;
  view.left = x - sx * zoom;
  view.top = y - sy * zoom;
  setView(view);
}

void SealPreview::FitToPanel() {
  if (!m_panel || m_doc.Width < 1 || m_doc.Height < 1) return;
  View view;
  view.zoom = std::min(double(m_panel->width()) / m_doc.Width, double(m_panel->height()) / m_doc.Height);
  setView(view);
}

void SealPreview::ShowActualSize() { setView(View{}); }

void SealPreview::ResetViewFor(const SealDocument& doc) {
  m_view = View{};
  if (m_panel && doc.Width >= 1 && doc.Height >= 1 && (doc.Width > m_panel->width() || doc.Height > m_panel->height()))
    m_view.zoom = std::max(kMinZoom, std::min(double(m_panel->width()) / doc.Width, double(m_panel->height()) / doc.Height));
}

void SealPreview::PanBy(int32_t dx, int32_t dy) {
  if (!m_panel) return;
  double left, top;
  sealOrigin(m_doc, &left, &top);
  const double sw = std::round(m_doc.Width * m_view.zoom), sh = std::round(m_doc.Height * m_view.zoom);
  // At least a corner of the seal stays in view, so it can be dragged back.
  constexpr double kKeep = 32;
  View view = m_view;
  view.centred = false;
  view.left = std::clamp(std::round(left) + dx, std::min(0.0, kKeep - sw), std::max(0.0, m_panel->width() - kKeep));
  view.top = std::clamp(std::round(top) + dy, std::min(0.0, kKeep - sh), std::max(0.0, m_panel->height() - kKeep));
  setView(view);
}

void SealPreview::compose(const SealRenderer& shown, const Job& job) {
  if (!m_canvas.GetNative() || !m_checkerBrush.GetNative()) return;
  const int32_t pw = m_canvas.GetWidth(), ph = m_canvas.GetHeight();
  m_canvas.FillRectangle(m_checkerBrush, 0.0f, 0.0f, float(pw), float(ph));
  if (shown.SealBitmap().GetNative() && !job.outOfView) m_canvas.DrawImageI(shown.SealBitmap(), job.x, job.y);
  m_panel->SetRulers(job.rulers);
  // The panel shows the canvas's own pixels: nothing is copied.
  m_surface.Show(m_canvas);
}

}  // namespace korvane
