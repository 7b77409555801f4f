#pragma once

// A SQLite file being written whole, seen as it goes to disk: its pages are
// gathered into large writes, and what is written is handed on in file order
// to a consumer on a thread of its own, so that a backup's checksum is taken
// while the copy is made instead of reading the copy again afterwards.
//
// SQLite writes the first page (the header) last, when the copy commits: the
// stream is the file after its head, and head() the head as it ends.

#include <QByteArray>
#include <QList>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

struct sqlite3_vfs;

namespace storedb {

class StreamedCopy {
  public:
    using Consumer = std::function<void(const char* data, qint64 size)>;

    // headBytes: the database's page size. Registers a VFS of its own name
    // for as long as this lives; open the copy with it.
    StreamedCopy(int headBytes, Consumer consume);
    ~StreamedCopy();
    StreamedCopy(const StreamedCopy&) = delete;
    StreamedCopy& operator=(const StreamedCopy&) = delete;

    const char* vfsName() const { return name_.constData(); }

    // Once the copy's connection is closed: waits for the consumer, and
    // tells whether it saw every byte of a file of fileSize after the head
    // once, in order (holes SQLite never writes as zeros). False when SQLite
    // wrote otherwise: the stream is then of no use.
    bool finish(qint64 fileSize);
    const QByteArray& head() const { return head_; }

    // The shim's own side, called by its file methods.
    struct File;
    int write(File* file, const void* data, int amount, qint64 offset);
    int flush(File* file);
    void lost() { inOrder_ = false; }
    qint64 streamedTo() const { return end_; }
    sqlite3_vfs* below() const { return below_; }

  private:
    void hand(QByteArray chunk);
    void consumeAll();

    QByteArray name_;
    sqlite3_vfs* below_; // the VFS the files are opened with
    sqlite3_vfs* vfs_;
    const int headBytes_;
    QByteArray head_;
    bool headWhole_ = false;
    bool inOrder_ = true;
    qint64 end_;         // past the last byte taken into the stream
    QByteArray pending_; // written by SQLite, not yet to the disk
    qint64 pendingAt_ = 0;

    Consumer consume_;
    std::mutex mutex_;
    std::condition_variable changed_;
    QList<QByteArray> chunks_;
    bool ended_ = false;
    std::thread consumer_;
};

} // namespace storedb
