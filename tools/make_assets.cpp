// Draws every built-in asset of the game into a folder, always the same bytes.
//
//   mirel_make_assets <output folder> [--preview <folder>] [--no-font]
//
// The output folder receives pictures/*.bmp, sounds/*.wav, icons/*.png and
// the label font in fonts/ (the layout of assets/). --no-font leaves out the
// font, which fontTools cuts and which no arithmetic of ours touches: the
// check on an emulated processor, which cannot start a child process, uses
// it. With --preview, PNGs for
// looking at the reliefs are written too: the grey shading, the dithered
// picture, and the picture as the game shows it (ANDed onto the backdrop's
// board area), each also at twice the size.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <QBuffer>
#include <QByteArray>
#include <QImage>

#include "tools/Backdrop.h"
#include "tools/FileFormats.h"
#include "tools/Icon.h"
#include "tools/LabelFont.h"
#include "tools/Reliefs.h"
#include "tools/Sounds.h"

namespace {

using namespace mirel::tools;
namespace fs = std::filesystem;

// Where the game puts a built-in picture on the backdrop.
constexpr int kBoardLeft = 50;
constexpr int kBoardTop = 100;
// The relief the icon shows (index into the four).
constexpr int kIconRelief = 0;

bool Save(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  if (WriteFile(path.string(), bytes)) return true;
  std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
  return false;
}

bool SavePng(const fs::path& path, const QImage& image) {
  const bool ok = image.save(QString::fromStdString(path.string()), "PNG") &&
                  image.scaled(image.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                      .save(QString::fromStdString(path.string()).replace(".png", "@2x.png"), "PNG");
  if (!ok) std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
  return ok;
}

std::vector<std::uint8_t> PngBytes(const QImage& image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "PNG")) return {};
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

QImage GreyImage(const Field& brightness) {
  QImage image(brightness.Width(), brightness.Height(), QImage::Format_Grayscale8);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      image.scanLine(y)[x] = static_cast<uchar>(std::lround(brightness.At(x, y) * 255.0f));
    }
  }
  return image;
}

// The board as a player sees it: every pixel of the picture ANDed with the backdrop.
QImage OnBackdrop(const RgbPicture& backdrop, const BitPicture& picture) {
  QImage image = backdrop.ToImage();
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      if (picture.At(x, y)) image.setPixel(kBoardLeft + x, kBoardTop + y, qRgb(0, 0, 0));
    }
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  fs::path out, preview;
  bool font = true;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument == "--preview" && i + 1 < argc) {
      preview = argv[++i];
    } else if (argument == "--no-font") {
      font = false;
    } else if (out.empty() && !argument.starts_with("--")) {
      out = argument;
    } else {
      out.clear();
      break;
    }
  }
  if (out.empty()) {
    std::fprintf(stderr, "usage: %s <output folder> [--preview <folder>] [--no-font]\n", argv[0]);
    return 2;
  }
  std::error_code error;
  fs::create_directories(out / "pictures", error);
  fs::create_directories(out / "sounds", error);
  fs::create_directories(out / "icons", error);
  fs::create_directories(out / "fonts", error);
  if (!preview.empty()) fs::create_directories(preview, error);

  bool ok = true;
  const RgbPicture backdrop = DrawBackdrop();
  const std::vector<std::uint8_t> backdropFile = EncodeBmp8Rle(backdrop);
  ok &= !backdropFile.empty() && Save(out / "pictures" / "Backdrop.bmp", backdropFile);

  const Field shades[] = {ShadeSpirals(), ShadeTablet(), ShadeCharacters(), ShadeFace()};
  std::vector<BitPicture> reliefs;
  for (int i = 0; i < 4; ++i) {
    const std::string name = "Relief" + std::to_string(i + 1);
    const BitPicture& picture = reliefs.emplace_back(Dither(shades[i]));
    ok &= Save(out / "pictures" / (name + ".bmp"), EncodeBmp1(picture));
    std::size_t black = 0;
    for (auto b : picture.black) black += b;
    std::printf("%s: %.1f%% black\n", name.c_str(),
                100.0 * static_cast<double>(black) / static_cast<double>(picture.black.size()));
    if (!preview.empty()) {
      ok &= SavePng(preview / (name + "-shade.png"), GreyImage(shades[i]));
      ok &= SavePng(preview / (name + "-bits.png"), picture.ToImage());
      ok &= SavePng(preview / (name + "-board.png"), OnBackdrop(backdrop, picture));
    }
  }

  // The Windows program's icon: the same pictures in one file.
  std::vector<IconPicture> windowsIcon;
  for (const int size : kIconSizes) {
    const std::vector<std::uint8_t> png = PngBytes(DrawIcon(backdrop, reliefs[kIconRelief], size));
    ok &= !png.empty() && Save(out / "icons" / ("mirel-" + std::to_string(size) + ".png"), png);
    windowsIcon.push_back({size, png});
  }
  ok &= Save(out / "icons" / "mirel.ico", EncodeIco(windowsIcon));

  ok &= Save(out / "sounds" / "Sound1.wav", EncodeWav16(MakeSlideSound(), kSampleRate));
  ok &= Save(out / "sounds" / "Sound2.wav", EncodeWav16(MakeChimeSound(), kSampleRate));
  if (font) {
    ok &= SubsetLabelFont(MIREL_LABEL_FONT_SOURCE, out / "fonts" / "MochiyPopOne-Regular.ttf", MIREL_PYTHON, true);
    ok &= SubsetLabelFont(MIREL_LABEL_FONT_SOURCE, out / "fonts" / "MochiyPopOne-Labels.ttf", MIREL_PYTHON, false);
  }
  return ok ? 0 : 1;
}
