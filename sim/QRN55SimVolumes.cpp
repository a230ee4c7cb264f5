#include "sim/QRN55SimVolumes.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::string_view kDataFileSuffix = "/ACQD/VRNL/DATA";

}  // namespace

void QRN55SimVolumes::Mount(std::string mount_path, QRN55SimUnit* unit) {
  std::lock_guard lock(_mutex);
  _volumes.push_back({std::move(mount_path), unit});
}

void QRN55SimVolumes::Unmount(std::string_view mount_path) {
  std::lock_guard lock(_mutex);
  std::erase_if(_volumes, [&](const Volume& volume) { return volume.path == mount_path; });
}

bool QRN55SimVolumes::ListMounts(std::vector<std::string>& paths) {
  std::lock_guard lock(_mutex);
  paths.clear();
  for (const Volume& volume : _volumes) {
    if (volume.unit == nullptr || volume.unit->IsPlugged()) paths.push_back(volume.path);
  }
  return true;
}

int QRN55SimVolumes::Open(const char* path) {
  std::lock_guard lock(_mutex);
  const std::string_view wanted(path);
  for (const Volume& volume : _volumes) {
    if (volume.unit == nullptr || !volume.unit->IsPlugged()) continue;
    if (wanted.size() != volume.path.size() + kDataFileSuffix.size() ||
        !wanted.starts_with(volume.path) || !wanted.ends_with(kDataFileSuffix)) {
      continue;
    }
    auto free = std::find_if(_files.begin(), _files.end(),
                             [](const OpenFile& file) { return file.unit == nullptr; });
    if (free == _files.end()) free = _files.insert(_files.end(), OpenFile());
    *free = OpenFile{volume.unit, false};
    return static_cast<int>(free - _files.begin());
  }
  return -1;
}

QRN55SimUnit* QRN55SimVolumes::UnitOf(int descriptor) const {
  if (descriptor < 0 || descriptor >= static_cast<int>(_files.size())) return nullptr;
  return _files[descriptor].unit;
}

int QRN55SimVolumes::LockExclusive(int descriptor) {
  std::lock_guard lock(_mutex);
  QRN55SimUnit* unit = UnitOf(descriptor);
  if (unit == nullptr || unit->IsLockHeldElsewhere()) return -1;
  for (const OpenFile& file : _files) {
    if (file.unit == unit && file.locked && &file != &_files[descriptor]) return -1;
  }
  _files[descriptor].locked = true;
  return 0;
}

void QRN55SimVolumes::AdviseUncached(int) {}

ssize_t QRN55SimVolumes::ReadAt(int descriptor, std::uint64_t address, void* data,
                                std::size_t size) {
  QRN55SimUnit* unit;
  {
    std::lock_guard lock(_mutex);
    unit = UnitOf(descriptor);
  }
  if (unit == nullptr) return -1;
  const ssize_t moved = unit->Read(address, data, size);
  return moved < 0 ? -1 : moved;
}

ssize_t QRN55SimVolumes::WriteAt(int descriptor, std::uint64_t address, const void* data,
                                 std::size_t size) {
  QRN55SimUnit* unit;
  {
    std::lock_guard lock(_mutex);
    unit = UnitOf(descriptor);
  }
  if (unit == nullptr) return -1;
  const ssize_t moved = unit->Write(address, data, size);
  return moved < 0 ? -1 : moved;
}

int QRN55SimVolumes::Sync(int descriptor) {
  QRN55SimUnit* unit;
  {
    std::lock_guard lock(_mutex);
    unit = UnitOf(descriptor);
  }
  return unit != nullptr && unit->Sync() == 0 ? 0 : -1;
}

void QRN55SimVolumes::Close(int descriptor) {
  std::lock_guard lock(_mutex);
  if (UnitOf(descriptor) != nullptr) _files[descriptor] = OpenFile();
}

int QRN55SimVolumes::OpenCount() const {
  std::lock_guard lock(_mutex);
  return static_cast<int>(std::count_if(_files.begin(), _files.end(),
                                        [](const OpenFile& file) { return file.unit != nullptr; }));
}
