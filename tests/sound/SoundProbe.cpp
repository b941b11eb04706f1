// A stand-in for the program's sound side in the sound tests: command strings
// read one a line from standard input go through the interpreter to the real
// back end, and each is answered on standard output with its result code.
// "quit" (or the end of input) ends it. The output opens at the start, as the
// program's does once its window shows. The main thread waits on its input
// the whole time, so whatever plays does so on the back end's own.

#include <iostream>
#include <string>

#include "sound/Mci.h"
#ifdef _WIN32
#include "sound/WaveOutBackend.h"
using Backend = mirel::WaveOutBackend;
#else
#include "sound/LinuxAudioBackend.h"
using Backend = mirel::LinuxAudioBackend;
#endif

int main() {
  Backend backend;
  backend.StartOutput();
  mirel::MciInterpreter mci(backend);
  std::string line;
  while (std::getline(std::cin, line) && line != "quit") std::cout << mci.SendString(line) << std::endl;
  return 0;
}
