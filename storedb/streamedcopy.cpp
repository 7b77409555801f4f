#include "storedb/streamedcopy.h"

#include <QUuid>
#include <cstring>
#include <sqlite3.h>
#include <utility>

namespace storedb {

namespace {

// Bytes to a write: SQLite's own file writes at most 128 KiB a call.
constexpr qsizetype kGathered = 64 << 10;
constexpr qsizetype kAhead = 256;        // chunks waiting for the consumer at most
constexpr qint64 kLongestHole = 1 << 20; // SQLite skips one page (its lock page)

} // namespace

// SQLite's file, and behind it the file of the VFS the shim stands on.
struct StreamedCopy::File {
    sqlite3_file base;
    StreamedCopy* copy; // null for any file but the database's own
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

namespace {

using File = StreamedCopy::File;

File* fileOf(sqlite3_file* file) {
    return reinterpret_cast<File*>(file);
}
sqlite3_file* realOf(sqlite3_file* file) {
    return fileOf(file)->real();
}
// What is gathered goes to the disk before SQLite looks at the file.
int flushed(sqlite3_file* file) {
    File* f = fileOf(file);
    return f->copy ? f->copy->flush(f) : SQLITE_OK;
}

int shimClose(sqlite3_file* file) {
    const int rc = flushed(file);
    const int closed = realOf(file)->pMethods->xClose(realOf(file));
    return rc != SQLITE_OK ? rc : closed;
}
int shimRead(sqlite3_file* file, void* data, int amount, sqlite3_int64 offset) {
    const int rc = flushed(file);
    return rc != SQLITE_OK ? rc : realOf(file)->pMethods->xRead(realOf(file), data, amount, offset);
}
int shimWrite(sqlite3_file* file, const void* data, int amount, sqlite3_int64 offset) {
    File* f = fileOf(file);
    return f->copy ? f->copy->write(f, data, amount, offset)
                   : f->real()->pMethods->xWrite(f->real(), data, amount, offset);
}
int shimTruncate(sqlite3_file* file, sqlite3_int64 size) {
    const int rc = flushed(file);
    if (File* f = fileOf(file); f->copy && size < f->copy->streamedTo())
        f->copy->lost();
    return rc != SQLITE_OK ? rc : realOf(file)->pMethods->xTruncate(realOf(file), size);
}
int shimSync(sqlite3_file* file, int flags) {
    const int rc = flushed(file);
    return rc != SQLITE_OK ? rc : realOf(file)->pMethods->xSync(realOf(file), flags);
}
int shimFileSize(sqlite3_file* file, sqlite3_int64* size) {
    const int rc = flushed(file);
    return rc != SQLITE_OK ? rc : realOf(file)->pMethods->xFileSize(realOf(file), size);
}
int shimLock(sqlite3_file* file, int lock) {
    return realOf(file)->pMethods->xLock(realOf(file), lock);
}
int shimUnlock(sqlite3_file* file, int lock) {
    return realOf(file)->pMethods->xUnlock(realOf(file), lock);
}
int shimCheckReservedLock(sqlite3_file* file, int* out) {
    return realOf(file)->pMethods->xCheckReservedLock(realOf(file), out);
}
int shimFileControl(sqlite3_file* file, int op, void* arg) {
    return realOf(file)->pMethods->xFileControl(realOf(file), op, arg);
}
int shimSectorSize(sqlite3_file* file) {
    return realOf(file)->pMethods->xSectorSize(realOf(file));
}
int shimDeviceCharacteristics(sqlite3_file* file) {
    return realOf(file)->pMethods->xDeviceCharacteristics(realOf(file));
}
int shimShmMap(sqlite3_file* file, int region, int size, int extend, void volatile** out) {
    return realOf(file)->pMethods->xShmMap(realOf(file), region, size, extend, out);
}
int shimShmLock(sqlite3_file* file, int offset, int n, int flags) {
    return realOf(file)->pMethods->xShmLock(realOf(file), offset, n, flags);
}
void shimShmBarrier(sqlite3_file* file) {
    realOf(file)->pMethods->xShmBarrier(realOf(file));
}
int shimShmUnmap(sqlite3_file* file, int deleteFlag) {
    return realOf(file)->pMethods->xShmUnmap(realOf(file), deleteFlag);
}
// Mapped reads would see the file without what is gathered: none are made.
int shimFetch(sqlite3_file*, sqlite3_int64, int, void** out) {
    *out = nullptr;
    return SQLITE_OK;
}
int shimUnfetch(sqlite3_file*, sqlite3_int64, void*) {
    return SQLITE_OK;
}

const sqlite3_io_methods kMethods = {3,
                                     shimClose,
                                     shimRead,
                                     shimWrite,
                                     shimTruncate,
                                     shimSync,
                                     shimFileSize,
                                     shimLock,
                                     shimUnlock,
                                     shimCheckReservedLock,
                                     shimFileControl,
                                     shimSectorSize,
                                     shimDeviceCharacteristics,
                                     shimShmMap,
                                     shimShmLock,
                                     shimShmBarrier,
                                     shimShmUnmap,
                                     shimFetch,
                                     shimUnfetch};

int shimOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* copy = static_cast<StreamedCopy*>(vfs->pAppData);
    sqlite3_vfs* below = copy->below();
    File* f = fileOf(file);
    f->copy = (flags & SQLITE_OPEN_MAIN_DB) ? copy : nullptr;
    f->base.pMethods = nullptr;
    const int rc = below->xOpen(below, name, f->real(), flags, outFlags);
    if (rc == SQLITE_OK && f->real()->pMethods)
        f->base.pMethods = &kMethods;
    return rc;
}

} // namespace

StreamedCopy::StreamedCopy(int headBytes, Consumer consume)
    : name_(("orvani-copy-" + QUuid::createUuid().toString(QUuid::WithoutBraces)).toLatin1()),
      below_(sqlite3_vfs_find(nullptr)), vfs_(new sqlite3_vfs(*below_)), headBytes_(headBytes),
      head_(headBytes, '\0'), end_(headBytes), consume_(std::move(consume)) {
    // The default VFS's own methods serve for all but opening a file: they
    // read nothing of their VFS object but its sizes.
    vfs_->zName = name_.constData();
    vfs_->szOsFile = int(sizeof(File)) + vfs_->szOsFile;
    vfs_->xOpen = shimOpen;
    vfs_->pAppData = this;
    vfs_->pNext = nullptr;
    sqlite3_vfs_register(vfs_, 0);
    pending_.reserve(kGathered);
    consumer_ = std::thread([this] { consumeAll(); });
}

StreamedCopy::~StreamedCopy() {
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
        changed_.notify_all();
    }
    if (consumer_.joinable())
        consumer_.join();
    sqlite3_vfs_unregister(vfs_);
    delete vfs_;
}

int StreamedCopy::write(File* file, const void* data, int amount, qint64 offset) {
    sqlite3_file* real = file->real();
    if (offset < headBytes_) {
        if (offset + amount > headBytes_) {
            inOrder_ = false;
        } else {
            std::memcpy(head_.data() + offset, data, size_t(amount));
            headWhole_ = headWhole_ || (offset == 0 && amount == headBytes_);
        }
        return real->pMethods->xWrite(real, data, amount, offset);
    }
    if (offset < end_) {
        // Written again: in place while still gathered, else the stream is lost.
        if (offset >= pendingAt_ && offset + amount <= pendingAt_ + pending_.size()) {
            std::memcpy(pending_.data() + (offset - pendingAt_), data, size_t(amount));
            return SQLITE_OK;
        }
        inOrder_ = false;
        if (const int rc = flush(file); rc != SQLITE_OK)
            return rc;
        return real->pMethods->xWrite(real, data, amount, offset);
    }
    if (offset > end_ || pending_.size() + amount > kGathered) {
        if (const int rc = flush(file); rc != SQLITE_OK)
            return rc;
    }
    if (offset > end_) {
        // A hole (SQLite never writes its lock page): zeros when read, unless
        // written later, which the check above catches.
        if (offset - end_ > kLongestHole)
            inOrder_ = false;
        else if (inOrder_)
            hand(QByteArray(offset - end_, '\0'));
        end_ = offset;
    }
    if (pending_.isEmpty())
        pendingAt_ = offset;
    pending_.append(static_cast<const char*>(data), amount);
    end_ = offset + amount;
    return SQLITE_OK;
}

int StreamedCopy::flush(File* file) {
    if (pending_.isEmpty())
        return SQLITE_OK;
    sqlite3_file* real = file->real();
    const int rc =
        real->pMethods->xWrite(real, pending_.constData(), int(pending_.size()), pendingAt_);
    if (rc != SQLITE_OK) {
        inOrder_ = false;
        pending_.clear();
        return rc;
    }
    if (inOrder_)
        hand(std::exchange(pending_, QByteArray()));
    pending_.clear();
    pending_.reserve(kGathered);
    return SQLITE_OK;
}

void StreamedCopy::hand(QByteArray chunk) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return chunks_.size() < kAhead; });
    chunks_ << std::move(chunk);
    changed_.notify_all();
}

void StreamedCopy::consumeAll() {
    for (;;) {
        QByteArray chunk;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return !chunks_.isEmpty() || ended_; });
            if (chunks_.isEmpty())
                return;
            chunk = chunks_.takeFirst();
            changed_.notify_all();
        }
        consume_(chunk.constData(), chunk.size());
    }
}

bool StreamedCopy::finish(qint64 fileSize) {
    {
        const std::lock_guard lock(mutex_);
        ended_ = true;
        changed_.notify_all();
    }
    if (consumer_.joinable())
        consumer_.join();
    return inOrder_ && headWhole_ && pending_.isEmpty() && fileSize == end_;
}

} // namespace storedb
