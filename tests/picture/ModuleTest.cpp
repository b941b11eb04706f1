// The decoder module loads only when it is the one built with the program and
// speaks its interface, and only for a file a recogniser of the program
// claimed. Anything else refuses its formats as unsupported, without a crash.

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "picture/PictureFile.h"
#include "picture/ModuleLoader.h"
#include "tests/common/TempFolder.h"
#include "tests/picture/PictureKit.h"

namespace mirel {
namespace {

namespace fs = std::filesystem;

QByteArray ReadAll(const fs::path& path) {
  QFile file(QString::fromStdString(path.string()));
  if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + path.string());
  return file.readAll();
}

std::string Said(const std::vector<PictureFault>& faults, bool mapped) {
  std::string said = "fault";
  for (const PictureFault fault : faults) said += " " + std::to_string(int(fault));
  return said + ", module " + (mapped ? "mapped" : "not mapped");
}

// A file the WebP recogniser claims, which no decoder can read.
const QByteArray kWebpLike = QByteArray("RIFF\x20\0\0\0WEBPVP8 ", 16) + QByteArray(32, 'Z');

// The probe, standing in for the program, in a folder of its own.
class ModuleBeside : public ::testing::Test {
 protected:
  ModuleBeside() { fs::copy_file(MIREL_MODULE_PROBE, folder.Path() / "probe"); }

  void PutModule(const QByteArray& bytes) { pics::WriteFile(folder.Path() / picture::kModuleFile, bytes); }

  // A picture file of its own in the folder.
  QString File(const QByteArray& bytes) {
    return pics::WriteFile(folder.Path() / ("picture" + std::to_string(++files)), bytes);
  }

  // What the probe says of the files, loaded in turn, or how it failed to say it.
  std::string Probe(const QStringList& pictures) {
    QProcess probe;
    probe.start(QString::fromStdString((folder.Path() / "probe").string()), pictures);
    if (!probe.waitForFinished(60000)) return "did not finish";
    if (probe.exitStatus() != QProcess::NormalExit) return "crashed";
    return probe.readAllStandardOutput().trimmed().toStdString();
  }

  TempFolder folder;
  int files = 0;
};

// A module cut short or of another build went to dlopen, which died of SIGBUS.
// The formats named to the player once asked for a WebP without a module to read it.
TEST_F(ModuleBeside, OnlyTheModuleBuiltWithTheProgramLoads) {
  const QByteArray built = ReadAll(MIREL_MODULE);
  PutModule(built);
  EXPECT_EQ(Probe({"--names", File(kWebpLike)}),
            Said({PictureFault::Damaged}, true) + ", reads BMP GIF JPEG PNG WebP HEIC AVIF TIFF");

  QByteArray changed = built;
  changed[changed.size() / 2] = char(changed[changed.size() / 2] ^ 1);
  const std::vector<std::pair<const char*, QByteArray>> others = {
      {"cut to 1000", built.left(1000)},
      {"cut to 30000", built.left(30000)},
      {"one byte short", built.left(built.size() - 1)},
      {"one bit changed", changed},
      {"a system library", ReadAll(MIREL_SYSTEM_LIBRARY)},
      {"another build", ReadAll(MIREL_OTHER_INTERFACE_MODULE)},
  };
  for (const auto& [what, bytes] : others) {
    SCOPED_TRACE(what);
    PutModule(bytes);
    EXPECT_EQ(Probe({"--names", File(kWebpLike)}), Said({PictureFault::Unsupported}, false) + ", reads BMP GIF JPEG PNG");
  }
}

// Any file no reader of the program knew loaded the module, just to ask it.
// Nor may the program's own formats, or a file of the module's refused unread.
TEST_F(ModuleBeside, OnlyAFileOfItsFormatsToDecodeLoadsIt) {
  PutModule(ReadAll(MIREL_MODULE));
  const QImage photo = pics::PhotoLike(8, 8);
  const QString huge = File(kWebpLike);
  ASSERT_TRUE(QFile::resize(huge, kPictureMaxFileBytes + 1));
  using enum PictureFault;
  EXPECT_EQ(Probe({File(pics::Encode(photo, "bmp")), File(pics::BuildGif(1, 1, {}, {{{0}}})),
                   File(pics::Encode(photo, "jpeg")), File(pics::Encode(photo, "png")),
                   File("Just a note.\n"), File(pics::Encode(photo, "ppm")), File({}), huge}),
            Said({None, None, None, None, NotAPicture, Unsupported, Empty, TooLarge}, false));
}

// A module of another interface was called as if it spoke this one.
TEST(ModuleLoad, AModuleOfAnotherInterfaceIsRefused) {
  const QByteArray bytes = ReadAll(MIREL_OTHER_INTERFACE_MODULE);
  const picture::ModuleSeal itsOwn{bytes.size(), QCryptographicHash::hash(bytes, QCryptographicHash::Sha256)};
  const Result<picture::ModuleEntry> loaded = picture::LoadModule(MIREL_OTHER_INTERFACE_MODULE, itsOwn);
  ASSERT_FALSE(loaded);
  EXPECT_NE(loaded.Why().find("interface"), std::string::npos) << loaded.Why();
}

}  // namespace
}  // namespace mirel
