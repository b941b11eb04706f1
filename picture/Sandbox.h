#pragma once
// The seal of the picture decoder (mirel-decode), put on before it reads a
// byte of the player's file: it dies with the game, its memory and processor
// time are limited, and it can reach little beyond the file it was given. On
// Linux it keeps only the system calls decoding needs: opening files, the
// network and starting programs are refused (picture/SandboxLinux.cpp). On
// Windows the game starts it in a job and with a low token, and it adds what
// the process can refuse itself (picture/SandboxWindows.cpp).

#include <thread>

namespace mirel::picture {

// False when a step could not be taken; the decoder then does not decode.
bool Seal();

// Seals, then tries each thing a sealed decoder must not do, and one it must
// (a thread). Exit status 0 when all went as they should, else the number of
// the first that did not: 1 open (on Windows: write) a file, 2 socket (not on
// Windows), 3 a new program, 4 a new process, 5 memory past the limit, 6 a
// thread, 7 the seal itself. A checked build (sanitizers) leaves out 1 and 5,
// which its sanitizers need.
int ProbeSeal();

// Whether a thread starts and runs, as decoders' threads must under the seal.
inline bool ThreadRuns() {
  try {
    bool ran = false;
    std::thread([&ran] { ran = true; }).join();
    return ran;
  } catch (...) {
    return false;
  }
}

}  // namespace mirel::picture
