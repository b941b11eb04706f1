#include "support/AtomicSave.h"

namespace mirel {

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes, std::string& error) {
  const CheckedFile place = CheckedFile::Open(file);
  if (place.Found() == CheckedFile::Kind::Refused) {
    error = "left alone, as " + place.Refusal();
    return false;
  }
  std::optional<StagedFile> staged = StagedFile::Write(place, bytes, true, error);
  return staged && staged->Commit(place.Identity(), error);
}

}  // namespace mirel
