// Loads one picture file as the game does for the player's own picture and
// reports, on one line, how long that took and how much memory it needed:
//   load_ms=<ms> growth_kb=<peak RSS minus RSS before the load> fault=<n> size=<w>x<h>
// With --sealed first it loads as the game does, through the sealed decoder
// made ready 300 ms before (while the player would be picking), and adds
// helper_kb=<the helper's peak RSS>; without, the decoding is timed in this
// process, as it runs inside the helper.
// The benchmark script runs it side by side with other tools on the same files,
// which it makes with this program too:  --make WIDTHxHEIGHT FILE (.jpg, .png or .bmp).

#include <QElapsedTimer>
#include <QImage>
#include <QImageWriter>
#include <QRandomGenerator>
#include <QString>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "picture/ModuleLoader.h"
#include "picture/PictureFile.h"
#include "picture/PictureLoader.h"
#include "picture/SealedDecode.h"

namespace {

// A field of /proc/self/status in kB ("VmRSS", "VmHWM").
long StatusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const std::size_t n = std::strlen(field);
  while (std::getline(status, line))
    if (line.compare(0, n, field) == 0 && line.size() > n && line[n] == ':')
      return std::stol(line.substr(n + 1));
  return -1;
}

// Something like a phone photo for the encoder: smooth shapes, fine detail
// and a little sensor noise, so the file has a photo's size and entropy.
int Make(const char* size, const char* file) {
  int w = 0, h = 0;
  if (std::sscanf(size, "%dx%d", &w, &h) != 2 || w < 1 || h < 1) return 2;
  QImage img(w, h, QImage::Format_RGB32);
  QRandomGenerator noise(1);
  for (int y = 0; y < h; ++y) {
    auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
    const double v = double(y) / h;
    for (int x = 0; x < w; ++x) {
      const double u = double(x) / w;
      const double detail = 20 * std::sin(x * 0.9) * std::sin(y * 0.7) + noise.bounded(13) - 6;
      const int r = int(120 + 80 * std::sin(9 * u + 4 * v) + detail);
      const int g = int(130 + 70 * std::cos(7 * u - 11 * v) + detail);
      const int b = int(110 + 60 * std::sin(13 * u * v) + detail);
      line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
    }
  }
  QImageWriter writer(QString::fromLocal8Bit(file));
  writer.setQuality(90);
  return writer.write(img) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--make") == 0) return Make(argv[2], argv[3]);
  const bool sealed = argc == 3 && std::strcmp(argv[1], "--sealed") == 0;
  if (argc != 2 && !sealed) {
    std::fprintf(stderr, "usage: %s [--sealed] PICTURE | --make WIDTHxHEIGHT FILE\n", argv[0]);
    return 2;
  }
  const char* file = argv[argc - 1];
  mirel::picture::SetModulePath(MIREL_MODULE);
  mirel::picture::SetDecoderPath(MIREL_DECODER);
  if (sealed) {
    mirel::PrepareToLoadPictureFile(300, 300);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  }
  const long before = StatusKb("VmRSS");
  QElapsedTimer timer;
  timer.start();
  mirel::LoadedPicture got;
  if (sealed) {
    got = mirel::LoadPictureFile(file, 300, 300, {});
  } else {
    mirel::picture::Fitted fitted = mirel::LoadFitted(QString::fromLocal8Bit(file), QSize(300, 300));
    got = {std::move(fitted.picture), fitted.fault};
  }
  const double ms = double(timer.nsecsElapsed()) / 1e6;
  const long peak = StatusKb("VmHWM");
  std::printf("load_ms=%.1f growth_kb=%ld fault=%d size=%dx%d", ms, peak - before, int(got.fault),
              got.picture.Width(), got.picture.Height());
  if (sealed) {
    while (wait(nullptr) > 0) {  // the helper, once gone, counts
    }
    rusage helper{};
    getrusage(RUSAGE_CHILDREN, &helper);
    std::printf(" helper_kb=%ld", helper.ru_maxrss);
  }
  std::printf("\n");
  return got.fault == mirel::PictureFault::None ? 0 : 1;
}
