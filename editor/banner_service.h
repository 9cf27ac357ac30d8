// The banner downloads of the window: one round at a time on a worker
// thread, each banner checked from its header and decoded there, the
// pictures handed to the window thread through queued calls. A refresh
// asked for while a round runs starts one more round when it ends (however
// many were asked for); closing cancels the round under way at once.
#pragma once

#include <QImage>
#include <QObject>

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "web/banners.h"

namespace korvane {

// A banner is a picture for a 220 x 88 box; one declaring more than this a
// side is refused from its header, before it is decoded.
inline constexpr int kMaxBannerSide = 1024;

class BannerService : public QObject {
  Q_OBJECT

 public:
  explicit BannerService(const BannerAddressList& addresses, QObject* parent = nullptr);
  ~BannerService() override;

  // Downloads the three banners again (now, or after the round under way).
  void Refresh();
  // Whether a round runs or is waiting to.
  bool Running() const;
  // A slot's bytes as downloaded (empty: nothing, or not a picture).
  const ByteArray& Slot(int slot) const { return m_bytes[size_t(slot)]; }

  // The decoded banner of a downloaded body: null when it is no picture or
  // one larger than kMaxBannerSide a side (told from its header).
  static QImage DecodeBanner(const ByteArray& bytes);

 signals:
  // On the window's thread: a slot's new picture (null for none).
  void SlotChanged(int slot, const QImage& picture);

 private:
  void run();
  void deliver(int slot, const ByteArray& bytes, const QImage& picture);

  const BannerAddressList m_addresses;
  std::array<ByteArray, kBannerSlotCount> m_bytes;
  mutable std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_wanted = false;   // a round is asked for and not yet started
  bool m_running = false;  // a round runs
  bool m_stopping = false;
  std::atomic<bool> m_cancel{false};
  std::thread m_thread;
};

}  // namespace korvane
