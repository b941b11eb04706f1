#pragma once
// Where the record file lives: beside a program the player owns, else in the
// player's data folder.

#include <filesystem>

namespace mirel {

inline constexpr const char* kRecordFileName = "Mirel.mtt";

// Where the record file is read from at the start and written to at the end.
struct RecordFilePlace {
  std::filesystem::path load;
  std::filesystem::path save;
};

// Whether this user may create files in the folder.
bool FolderIsWritable(const std::filesystem::path& folder);

// Whether the folder is an installed copy's program folder: it ends in the
// install layout's own path, such as lib/games/mirel. The package manager
// owns that folder, so the game never writes there, even when it may (as root).
bool IsInstalledProgramFolder(const std::filesystem::path& folder, const std::filesystem::path& layout);

// Beside the program when its folder is writable (an unpacked copy or a build
// tree), as it has always been. An installed program's folder is not, so the
// file then lives in the player's data folder, which this creates: read from
// there once it exists, until then from a copy shipped beside the program if
// there is one, and always saved there. Without a data folder the game starts
// from the shipped copy and keeps no record: the save place is empty.
RecordFilePlace ChooseRecordFilePlace(const std::filesystem::path& programFolder, bool programFolderWritable,
                                      const std::filesystem::path& dataFolder);

}  // namespace mirel
