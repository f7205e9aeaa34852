// OpenNotifier: how the open sequence tells its host what it is doing.
//
// The open sequence (OpenDatabaseFile, the mapping scan, the secondary-file
// scans and the snapshot load) reports status texts, a progress range and
// position, and at most one fatal error per open. A host implements this
// interface: the scan workflow through its ScanHost, the console by printing
// to stderr, tests by recording. Every call completes before the engine goes
// on; the engine never expects an answer. Texts are the fixed English
// strings below, passed as UTF-8.
#pragma once

#include <cstdint>
#include <string_view>

namespace pagewright {

class OpenNotifier {
 public:
  virtual ~OpenNotifier() = default;
  // A new status text replaces the previous one.
  virtual void StatusText(std::string_view text) {}
  // A new progress bar of `steps` steps, at position 0.
  virtual void ProgressRange(int64_t steps) {}
  virtual void ProgressPosition(int64_t position) {}
  // The open failed; the text says why. The DatabaseFile's isOpen is false.
  virtual void FatalError(std::string_view text) {}
};

// The texts of the open sequence, exactly as the user sees them.
namespace open_text {
inline constexpr std::string_view kCheckingCorruption = "Checking for file corruption ...........";
inline constexpr std::string_view kCheckingCorruptionDone = "Checking for file corruption is done...........";
inline constexpr std::string_view kMappingObjects = "Mapping Database Objects...........";
inline constexpr std::string_view kMappingDone = "Mapping of Database Objects has been done ......................";
inline constexpr std::string_view kSnapshotLoaded = "Load snapshot finished..processing tables ......................";
inline constexpr std::string_view kCannotOpen = "File cannot be open...........";
inline constexpr std::string_view kNotValid =
    "Whether File is not valid mdf file or file is highly corrupted...........";
}  // namespace open_text

}  // namespace pagewright
