// Small pictures of the stored templates, for the template page: read and
// drawn on a thread of their own, so that the list shows at once however
// many templates there are, and kept while a file's size and time stay the
// same.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace korvane {

class TemplateThumbnails : public QObject {
  Q_OBJECT

 public:
  static constexpr int kSide = 32;

  struct File {
    int row;  // where the list shows it
    QString name;
    std::string path;
  };

  explicit TemplateThumbnails(QObject* parent = nullptr);
  ~TemplateThumbnails() override;  // abandons the picture under way

  // The pictures of these files, in this order; replaces an earlier request.
  void Request(std::vector<File> files);
  // Waits until every requested picture is delivered.
  void Finish();

 signals:
  // On this object's thread; a null picture for a file that cannot be drawn.
  void Ready(int row, const QString& name, const QImage& picture);

 private:
  struct Kept {
    int64_t modified = 0;
    uint64_t size = 0;
    QImage picture;
  };
  void run();

  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<File> m_queue;
  size_t m_next = 0;
  uint64_t m_requests = 0, m_delivered = 0;  // the request whose pictures were all posted
  bool m_stopping = false;
  std::atomic<bool> m_abandon{false};
  std::unordered_map<std::string, Kept> m_kept;  // the worker's alone
  std::thread m_thread;
};

}  // namespace korvane
