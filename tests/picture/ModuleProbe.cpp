// Stands in for the program in the module tests, which copy it into a folder
// of their own with whatever they choose as the decoder module beside it:
// loads each picture file named on its command line as the game does, then
// prints the faults it got and whether the module was mapped; with --names
// first, then also the formats it would name to the player.

#include <QString>

#include <cstdio>
#include <fstream>
#include <string>

#include "picture/PictureFile.h"

int main(int argc, char** argv) {
  const bool names = argc > 1 && std::string(argv[1]) == "--names";
  if (argc < 2 + int(names)) return 2;
  std::string faults;
  for (int i = 1 + int(names); i < argc; ++i) {
    const mirel::FittedPicture got = mirel::LoadFittedPicture(QString::fromLocal8Bit(argv[i]), QSize(300, 300));
    faults += (faults.empty() ? "" : " ") + std::to_string(int(got.fault));
  }
  bool mapped = false;
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) mapped = mapped || line.find("mirel-codecs") != std::string::npos;
  std::string reads;
  if (names)
    for (const std::string& name : mirel::PictureFormatNames()) reads += " " + name;
  std::printf("fault %s, module %s%s\n", faults.c_str(), mapped ? "mapped" : "not mapped",
              names ? (", reads" + reads).c_str() : "");
  return 0;
}
