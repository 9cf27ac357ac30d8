#include "editor/template_thumbnails.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <sys/stat.h>

#include "document/template_format.h"
#include "editor/seal_thumbnail.h"
#include "render/render_caches.h"

namespace korvane {

TemplateThumbnails::TemplateThumbnails(QObject* parent) : QObject(parent) {
  m_thread = std::thread([this] { run(); });
}

TemplateThumbnails::~TemplateThumbnails() {
  {
    std::lock_guard lock(m_mutex);
    m_stopping = true;
  }
  m_abandon = true;
  m_changed.notify_all();
  m_thread.join();
}

void TemplateThumbnails::Request(std::vector<File> files) {
  {
    std::lock_guard lock(m_mutex);
    m_queue = std::move(files);
    m_next = 0;
    ++m_requests;
  }
  m_changed.notify_all();
}

void TemplateThumbnails::Finish() {
  std::unique_lock lock(m_mutex);
  m_changed.wait(lock, [this] { return m_delivered == m_requests; });
  lock.unlock();
  // Deliver what was posted to this thread.
  QCoreApplication::sendPostedEvents(this);
}

void TemplateThumbnails::run() {
  RenderCaches caches(0);  // pictures of figures are not kept between files
  std::unique_lock lock(m_mutex);
  while (true) {
    m_changed.wait(lock, [this] { return m_stopping || m_next < m_queue.size() || m_delivered != m_requests; });
    if (m_stopping) return;
    if (m_next >= m_queue.size()) {
      m_delivered = m_requests;
      m_changed.notify_all();
      continue;
    }
    const File file = m_queue[m_next++];
    lock.unlock();

    struct stat st {};
    QImage picture;
    if (::stat(file.path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
      const int64_t modified = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
      Kept& kept = m_kept[file.path];
      if (kept.modified != modified || kept.size != uint64_t(st.st_size)) {
        SealDocument doc = CreateSealDocument();
        kept = {modified, uint64_t(st.st_size),
                ReadTemplateFile(doc, file.path) ? SealThumbnail(doc, kSide, caches, &m_abandon) : QImage()};
      }
      picture = kept.picture;
    }
    QMetaObject::invokeMethod(
        this, [this, file, picture] { emit Ready(file.row, file.name, picture); }, Qt::QueuedConnection);
    lock.lock();
  }
}

}  // namespace korvane
