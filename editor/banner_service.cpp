#include "editor/banner_service.h"

#include <QMetaObject>

#include "drawing/gfx/gfx_image.h"
#include "drawing/codecs/picture_decoder.h"
#include "drawing/codecs/pixels.h"
#include "drawing/codecs/png_writer.h"

namespace korvane {

BannerService::BannerService(const BannerAddressList& addresses, QObject* parent)
    : QObject(parent), m_addresses(addresses), m_thread([this] { run(); }) {}

BannerService::~BannerService() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_cancel = true;  // a download under way ends at once
  m_wake.notify_all();
  m_thread.join();
}

void BannerService::Refresh() {
  {
    std::lock_guard lock(m_mutex);
    m_wanted = true;
  }
  m_wake.notify_all();
}

bool BannerService::Running() const {
  std::lock_guard lock(m_mutex);
  return m_wanted || m_running;
}

QImage BannerService::DecodeBanner(const ByteArray& bytes) {
  int64_t width = 0, height = 0;
  if (!ReadPictureSize(bytes.data(), bytes.size(), &width, &height) || width < 1 || height < 1 ||
      width > kMaxBannerSide || height > kMaxBannerSide)
    return {};
  GfxBitmap picture;
  if (!picture.CreateFromBytes(bytes)) return {};
  const int w = int(picture.GetWidth()), h = int(picture.GetHeight());
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return {};
  // Straight pixels from the drawing layer, premultiplied for Qt.
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < w; ++x) {
      ARGB p = 0;
      picture.GetPixel(x, y, &p);
      row[x] = qPremultiply(QRgb(p));
    }
  }
  return image;
}

void BannerService::run() {
  std::unique_lock lock(m_mutex);
  while (true) {
    m_wake.wait(lock, [this] { return m_stopping || m_wanted; });
    if (m_stopping) return;
    m_wanted = false;
    m_running = true;
    lock.unlock();
    for (int slot = 0; slot < kBannerSlotCount && !m_cancel; ++slot) {
      const std::string& url = m_addresses[size_t(slot)];
      ByteArray bytes = url.empty() ? ByteArray() : FetchBanner(url, &m_cancel);
      if (m_cancel) break;
      // Decoded here: a large banner costs the worker, never the window.
      const QImage picture = DecodeBanner(bytes);
      QMetaObject::invokeMethod(
          this, [this, slot, bytes = std::move(bytes), picture] { deliver(slot, bytes, picture); },
          Qt::QueuedConnection);
    }
    lock.lock();
    m_running = false;
  }
}

void BannerService::deliver(int slot, const ByteArray& bytes, const QImage& picture) {
  m_bytes[size_t(slot)] = bytes;
  emit SlotChanged(slot, picture);
}

}  // namespace korvane
