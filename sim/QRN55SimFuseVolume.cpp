#include "sim/QRN55SimFuseVolume.h"

#define FUSE_USE_VERSION 34
#include <fuse_lowlevel.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

// The volume's tree: / -> ACQD -> VRNL -> DATA.
constexpr fuse_ino_t kRoot = FUSE_ROOT_ID;
constexpr fuse_ino_t kACQD = 2;
constexpr fuse_ino_t kVRNL = 3;
constexpr fuse_ino_t kData = 4;

constexpr int kPollMilliseconds = 20;

QRN55SimUnit& UnitOf(fuse_req_t request) {
  return *static_cast<QRN55SimUnit*>(fuse_req_userdata(request));
}

bool Attributes(fuse_ino_t inode, struct stat& attributes) {
  std::memset(&attributes, 0, sizeof attributes);
  attributes.st_ino = inode;
  attributes.st_uid = getuid();
  attributes.st_gid = getgid();
  if (inode == kData) {
    attributes.st_mode = S_IFREG | 0666;
    attributes.st_nlink = 1;
    attributes.st_size = static_cast<off_t>(QRN55SimUnit::kDataFileSize);
    return true;
  }
  if (inode == kRoot || inode == kACQD || inode == kVRNL) {
    attributes.st_mode = S_IFDIR | 0755;
    attributes.st_nlink = 2;
    return true;
  }
  return false;
}

void Init(void*, fuse_conn_info* connection) {
  connection->max_write = QRN55SimFuseVolume::kMaximumTransfer;
  connection->max_read = QRN55SimFuseVolume::kMaximumTransfer;
}

void Lookup(fuse_req_t request, fuse_ino_t parent, const char* name) {
  const std::string_view child(name);
  fuse_ino_t inode = 0;
  if (parent == kRoot && child == "ACQD") inode = kACQD;
  if (parent == kACQD && child == "VRNL") inode = kVRNL;
  if (parent == kVRNL && child == "DATA") inode = kData;
  fuse_entry_param entry{};
  if (inode == 0 || !Attributes(inode, entry.attr)) {
    fuse_reply_err(request, ENOENT);
    return;
  }
  entry.ino = inode;
  fuse_reply_entry(request, &entry);
}

void GetAttributes(fuse_req_t request, fuse_ino_t inode, fuse_file_info*) {
  struct stat attributes;
  if (!Attributes(inode, attributes)) {
    fuse_reply_err(request, ENOENT);
    return;
  }
  fuse_reply_attr(request, &attributes, 0.0);
}

void Open(fuse_req_t request, fuse_ino_t inode, fuse_file_info* file) {
  if (inode != kData) {
    fuse_reply_err(request, EISDIR);
    return;
  }
  if (!UnitOf(request).IsPlugged()) {
    fuse_reply_err(request, ENODEV);
    return;
  }
  file->direct_io = 1;
  file->keep_cache = 0;
  fuse_reply_open(request, file);
}

void Read(fuse_req_t request, fuse_ino_t, size_t size, off_t offset, fuse_file_info*) {
  std::vector<char> data(size);
  const ssize_t moved = UnitOf(request).Read(static_cast<std::uint64_t>(offset), data.data(), size);
  if (moved < 0) {
    fuse_reply_err(request, static_cast<int>(-moved));
    return;
  }
  fuse_reply_buf(request, data.data(), static_cast<size_t>(moved));
}

void Write(fuse_req_t request, fuse_ino_t, const char* data, size_t size, off_t offset,
           fuse_file_info*) {
  const ssize_t moved = UnitOf(request).Write(static_cast<std::uint64_t>(offset), data, size);
  if (moved < 0) {
    fuse_reply_err(request, static_cast<int>(-moved));
    return;
  }
  fuse_reply_write(request, static_cast<size_t>(moved));
}

void Sync(fuse_req_t request, fuse_ino_t, int, fuse_file_info*) {
  fuse_reply_err(request, -UnitOf(request).Sync());
}

fuse_lowlevel_ops Operations() {
  fuse_lowlevel_ops operations{};
  operations.init = Init;
  operations.lookup = Lookup;
  operations.getattr = GetAttributes;
  operations.open = Open;
  operations.read = Read;
  operations.write = Write;
  operations.fsync = Sync;
  return operations;
}

}  // namespace

QRN55SimFuseVolume::QRN55SimFuseVolume(QRN55SimUnit& unit) : _unit(unit) {}

QRN55SimFuseVolume::~QRN55SimFuseVolume() { Unmount(); }

bool QRN55SimFuseVolume::Mount(const std::string& mount_path, std::string& reason) {
  Unmount();
  if (access("/dev/fuse", R_OK | W_OK) != 0) {
    reason = "/dev/fuse is not usable: " + std::string(std::strerror(errno));
    return false;
  }
  // Reads are split like writes, so both directions exercise the joining.
  const std::string max_read = "max_read=" + std::to_string(kMaximumTransfer);
  const char* arguments[] = {"qrn55sim", "-o", max_read.c_str(), "-o", "fsname=qrn55sim"};
  fuse_args args = FUSE_ARGS_INIT(5, const_cast<char**>(arguments));
  const fuse_lowlevel_ops operations = Operations();  // the session keeps a copy
  _session = fuse_session_new(&args, &operations, sizeof operations, &_unit);
  fuse_opt_free_args(&args);
  if (_session == nullptr) {
    reason = "fuse_session_new failed";
    return false;
  }
  if (fuse_session_mount(_session, mount_path.c_str()) != 0) {
    fuse_session_destroy(_session);
    _session = nullptr;
    reason = "fuse_session_mount on \"" + mount_path + "\" failed";
    return false;
  }
  _stop = false;
  _thread = std::thread([this] { Serve(); });
  return true;
}

void QRN55SimFuseVolume::Serve() {
  fuse_buf buffer{};
  const int descriptor = fuse_session_fd(_session);
  while (!_stop && fuse_session_exited(_session) == 0) {
    pollfd ready{descriptor, POLLIN, 0};
    const int polled = poll(&ready, 1, kPollMilliseconds);
    if (polled <= 0) continue;
    if ((ready.revents & POLLIN) == 0) break;  // the connection went away
    const int received = fuse_session_receive_buf(_session, &buffer);
    if (received == -EINTR || received == -EAGAIN) continue;
    if (received <= 0) break;
    fuse_session_process_buf(_session, &buffer);
  }
  std::free(buffer.mem);
}

void QRN55SimFuseVolume::Unmount() {
  if (_session == nullptr) return;
  _stop = true;
  if (_thread.joinable()) _thread.join();
  fuse_session_unmount(_session);
  fuse_session_destroy(_session);
  _session = nullptr;
}
