#include "tools/LabelFont.h"

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>
#include <cstdio>

#include "menu/LabelTable.h"

namespace mirel::tools {

namespace {

// The font has no hinting of its own, so FreeType's auto-hinter hints it from
// measurements of these characters, when the font has them: the tops and
// bottoms (and sides) of common ideographs, the standard stems of 田 and 囗,
// the digits, and the Latin reference letters. Without them the kept glyphs
// would be hinted a pixel differently from the whole font.
constexpr const char* kHinterReference =
    "他们你來們到和地对對就席我时時會来為能舰說说这這齊军同已愿既星是景民照现現理用置要軍那配里開雷露面顾"
    "个为人以個大有主些因它想意生當看着者自著裡过还进進過道還"
    "她将將年得情最样樣通即吗吧听呢品响嗎师師收断斷明眼間间际陈限除陳随際隨"
    "事前學或政斯新民沒没然特球第經谁起例別别制动動增指朝期构物确种調调費费都"
    "田囗0123456789THEZOCQSLUfijkdbhxzroescpqgy";

}  // namespace

std::string LabelCharacters() {
  QString all;
  for (const auto& label : kLabelDesign) all += QString::fromUtf8(label.caption);
  all += QString::fromUtf8(kSoundOffCaption);
  QString once;
  for (const QChar c : all)
    if (!once.contains(c)) once += c;
  return once.toStdString();
}

bool SubsetLabelFont(const std::filesystem::path& source, const std::filesystem::path& output,
                     const std::string& python, bool forAutoHinter) {
  QTemporaryFile text;
  const QByteArray wanted =
      QByteArray::fromStdString(LabelCharacters()) + (forAutoHinter ? kHinterReference : "");
  if (!text.open() || text.write(wanted) < 0 || !text.flush()) {
    std::fprintf(stderr, "cannot write the label characters to a temporary file\n");
    return false;
  }
  // Everything but the glyph set stays as the font has it: names, hinting,
  // every layout feature, the Unicode ranges it declares and its time stamp,
  // so the labels look as with the whole font and the bytes are the same on
  // every run.
  const QStringList arguments = {
      "-m",
      "fontTools.subset",
      QString::fromStdString(source.string()),
      "--text-file=" + text.fileName(),
      "--output-file=" + QString::fromStdString(output.string()),
      "--layout-features=*",
      "--name-IDs=*",
      "--name-languages=*",
      "--name-legacy",
      "--notdef-outline",
      "--no-prune-unicode-ranges",
      "--no-recalc-timestamp",
  };
  QProcess subset;
  subset.setProcessChannelMode(QProcess::ForwardedChannels);
  subset.start(QString::fromStdString(python), arguments);
  if (!subset.waitForFinished(120000) || subset.exitStatus() != QProcess::NormalExit ||
      subset.exitCode() != 0) {
    std::fprintf(stderr,
                 "the font subsetter failed (%s -m fontTools.subset; Debian package python3-fonttools)\n",
                 python.c_str());
    return false;
  }
  return true;
}

}  // namespace mirel::tools
