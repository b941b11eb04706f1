// Real sound: each test starts a PulseAudio server of its own with a null
// sink, points the sound probe (the interpreter over the Linux back end, in a
// process of its own) at it, and looks at the server's playing streams and at
// what the sink's monitor hears. Without a server the probe must still answer
// every command.

#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/sound/WaveFile.h"

namespace mirel {
namespace {

constexpr int kAnswerMs = 10000;  // far beyond any answer; reaching it means a hang
constexpr int kStreamMs = 10000;  // for the server to show or drop a stream

// Kills the child with the test, however the test ends.
void DieWithParent(QProcess& process) {
  process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGKILL); });
}

QString Which(const QString& program) { return QStandardPaths::findExecutable(program); }

class PulseServer {
 public:
  PulseServer() {
    if (!dir_.isValid()) {
      error_ = "cannot make a temporary folder";
      return;
    }
    const QString pulseaudio = Which("pulseaudio");
    if (pulseaudio.isEmpty() || Which("pactl").isEmpty() || Which("parec").isEmpty()) {
      error_ = "pulseaudio, pactl and parec are needed (Debian packages pulseaudio, pulseaudio-utils)";
      return;
    }
    QDir(dir_.path()).mkpath("runtime");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "XDG_STATE_HOME"}) env.insert(name, dir_.path());
    env.insert("XDG_RUNTIME_DIR", dir_.filePath("runtime"));
    env.insert("PULSE_RUNTIME_PATH", dir_.filePath("runtime"));
    env.insert("PULSE_STATE_PATH", dir_.path());
    env.remove("PULSE_SERVER");
    env.remove("DISPLAY");
    env.remove("DBUS_SESSION_BUS_ADDRESS");
    server_.setProcessEnvironment(env);
    server_.setProcessChannelMode(QProcess::MergedChannels);
    DieWithParent(server_);
    server_.start(pulseaudio,
                  {"-n", "--daemonize=no", "--use-pid-file=no", "--system=false", "--exit-idle-time=-1",
                   "--high-priority=yes", "--realtime=yes", "--log-target=stderr", "-L",
                   "module-null-sink sink_name=mirel_null", "-L",
                   "module-native-protocol-unix auth-anonymous=1 socket=" + dir_.filePath("pulse.sock")});
    if (!server_.waitForStarted(kAnswerMs)) {
      error_ = "pulseaudio did not start: " + server_.errorString().toStdString();
      return;
    }
    const QDeadlineTimer deadline(kAnswerMs);
    while (!Pactl({"list", "short", "sinks"}).contains("mirel_null")) {
      if (deadline.hasExpired() || server_.state() != QProcess::Running) {
        error_ = "pulseaudio did not come up: " + server_.readAll().toStdString();
        return;
      }
      QThread::msleep(50);
    }
  }

  ~PulseServer() {
    if (server_.state() == QProcess::NotRunning) return;
    server_.kill();
    server_.waitForFinished(kAnswerMs);
  }

  const std::string& Error() const { return error_; }
  QString Address() const { return "unix:" + dir_.filePath("pulse.sock"); }

  // The environment of a client of this server.
  QProcessEnvironment ClientEnvironment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PULSE_SERVER", Address());
    env.insert("HOME", dir_.path());
    env.remove("DISPLAY");
    return env;
  }

  QString Pactl(const QStringList& arguments) const {
    QProcess pactl;
    pactl.start(Which("pactl"), QStringList{"--server=" + Address()} + arguments);
    if (!pactl.waitForFinished(kAnswerMs) || pactl.exitCode() != 0) return {};
    return QString::fromUtf8(pactl.readAllStandardOutput());
  }

  // The playing streams, by index.
  std::vector<int> SinkInputs() const {
    std::vector<int> inputs;
    for (const QString& line : Pactl({"list", "short", "sink-inputs"}).split('\n', Qt::SkipEmptyParts))
      inputs.push_back(line.section('\t', 0, 0).toInt());
    return inputs;
  }

  // Waits until the set of streams satisfies the condition; false on time-out.
  template <typename Condition>
  bool WaitForStreams(Condition condition) const {
    const QDeadlineTimer deadline(kStreamMs);
    while (!condition(SinkInputs())) {
      if (deadline.hasExpired()) return false;
      QThread::msleep(20);
    }
    return true;
  }

 private:
  QTemporaryDir dir_;
  QProcess server_;
  std::string error_;
};

// Records what the null sink plays: mono, 8000 samples a second. The sink's
// monitor delivers only while something plays, and a freshly started server
// takes up to a second or so to start, so tests wait for what they expect to
// hear rather than for a time.
class Recorder {
 public:
  explicit Recorder(const PulseServer& server) {
    parec_.setProcessEnvironment(server.ClientEnvironment());
    parec_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    DieWithParent(parec_);
    parec_.start(Which("parec"), {"--server=" + server.Address(), "-d", "mirel_null.monitor", "--raw",
                                  "--format=s16le", "--channels=1", "--rate=8000", "--latency-msec=20"});
    parec_.waitForStarted(kAnswerMs);
    // A fresh server's monitor can take a second to deliver; the null sink
    // plays silence when nothing plays into it, so wait for the first of it.
    WaitFor([](const auto& heard) { return heard.size() >= 800; });
    bytes_.clear();
    samples_.clear();
  }
  ~Recorder() {
    parec_.kill();
    parec_.waitForFinished(kAnswerMs);
  }

  // Everything heard so far.
  const std::vector<std::int16_t>& Heard() {
    parec_.waitForReadyRead(20);
    bytes_ += parec_.readAllStandardOutput();
    samples_.resize(std::size_t(bytes_.size()) / 2);
    if (!samples_.empty()) std::memcpy(samples_.data(), bytes_.data(), samples_.size() * 2);
    return samples_;
  }

  // Records until what was heard satisfies the condition; false on time-out.
  template <typename Condition>
  bool WaitFor(Condition condition) {
    const QDeadlineTimer deadline(kStreamMs);
    while (!condition(Heard()))
      if (deadline.hasExpired()) return false;
    return true;
  }

  // Records for the given time more.
  const std::vector<std::int16_t>& Keep(int milliseconds) {
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) Heard();
    return Heard();
  }

 private:
  QProcess parec_;
  QByteArray bytes_;
  std::vector<std::int16_t> samples_;
};

int Peak(const std::vector<std::int16_t>& samples) {
  int peak = 0;
  for (std::int16_t s : samples) peak = std::max(peak, std::abs(int(s)));
  return peak;
}

// The recording in 25 ms pieces: '.' quiet, 'H' a high tone, 'L' a low one.
std::string Tones(const std::vector<std::int16_t>& samples) {
  std::string out;
  const std::size_t piece = 200;
  for (std::size_t i = 0; i + piece <= samples.size(); i += piece) {
    int peak = 0, crossings = 0;
    for (std::size_t k = i; k < i + piece; ++k) {
      peak = std::max(peak, std::abs(int(samples[k])));
      if (k > i && (samples[k - 1] < 0) != (samples[k] < 0)) ++crossings;
    }
    out += peak < 1000 ? '.' : crossings > 30 ? 'H' : 'L';
  }
  return out;
}

// How often a sound was heard from its beginning, which the test sounds mark
// with a high tone: runs of at least two high pieces.
int StartsHeard(const std::string& tones) {
  int starts = 0;
  for (std::size_t at = tones.find("HH"); at != std::string::npos; at = tones.find("HH", at)) {
    if (at == 0 || tones[at - 1] != 'H') ++starts;
    at = tones.find_first_not_of('H', at);
    if (at == std::string::npos) break;
  }
  return starts;
}

// The interpreter over the real back end, in a process of its own.
class Probe {
 public:
  explicit Probe(QProcessEnvironment env) {
    // In a sanitizer build: the sound library's own leaks are forgiven, by name.
    if (!env.contains("LSAN_OPTIONS"))
      env.insert("LSAN_OPTIONS", "print_suppressions=0:suppressions=" MIREL_LSAN_SUPPRESSIONS);
    process_.setProcessEnvironment(env);
    DieWithParent(process_);
    process_.start(MIREL_SOUND_PROBE, QStringList{});
    started_ = process_.waitForStarted(kAnswerMs);
  }
  ~Probe() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(kAnswerMs);
  }

  bool Started() const { return started_; }

  // The result code of the command, or nothing if no answer came.
  std::optional<int> Send(const std::string& command) {
    process_.write(QByteArray::fromStdString(command + "\n"));
    const QDeadlineTimer deadline(kAnswerMs);
    while (!process_.canReadLine()) {
      if (deadline.hasExpired() || !process_.waitForReadyRead(int(deadline.remainingTime()))) return {};
    }
    bool ok = false;
    const int code = process_.readLine().trimmed().toInt(&ok);
    return ok ? std::optional<int>(code) : std::nullopt;
  }

  // Ends the probe the ordinary way; empty if it went in time and cleanly,
  // else what went wrong.
  std::string Quit() {
    process_.write("quit\n");
    process_.closeWriteChannel();
    if (!process_.waitForFinished(kAnswerMs)) return "the probe did not end in time";
    if (process_.exitStatus() != QProcess::NormalExit)
      return "the probe crashed: " + process_.readAllStandardError().toStdString();
    if (process_.exitCode() != 0) return "the probe ended with code " + std::to_string(process_.exitCode());
    return {};
  }

  // What it printed on standard error, once it has ended.
  QStringList ErrorLines() {
    return QString::fromUtf8(process_.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
  }

 private:
  QProcess process_;
  bool started_ = false;
};

class Sound : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Error().empty()) << server_.Error();
    probe_.emplace(server_.ClientEnvironment());
    ASSERT_TRUE(probe_->Started()) << "the sound probe did not start";
    ASSERT_TRUE(server_.WaitForStreams([](const auto& in) { return in.size() == 1; }))
        << "no stream was opened ahead of the first play";
  }

  std::string Wave(const std::string& name, const std::vector<test::Tone>& tones) {
    const std::filesystem::path file = std::filesystem::path(folder_.path().toStdString()) / name;
    test::WriteWave(file, tones);
    return file.string();
  }

  void Expect(const std::string& command) { EXPECT_EQ(probe_->Send(command), 0) << command; }

  QTemporaryDir folder_;
  PulseServer server_;
  std::optional<Probe> probe_;
};

TEST_F(Sound, TheStreamIsOpenBeforeTheFirstPlayWhichIsHeard) {
  Expect("open \"" + Wave("音 の 1.wav", {{440, 1.0}}) + "\" alias 1");
  Recorder recorder(server_);
  Expect("play \"1\" from 0 notify");
  EXPECT_TRUE(recorder.WaitFor([](const auto& heard) { return Peak(heard) > 8000; }))
      << "the sink heard nothing";
  EXPECT_EQ(server_.SinkInputs().size(), 1u) << "a play opened a stream of its own";
  Expect("close \"1\"");
  EXPECT_EQ(probe_->Quit(), "");
}

// Qt's sound effects lost about one play in four when reused after their
// sound had ended.
TEST_F(Sound, NoPlayIsLost) {
  Expect("open \"" + Wave("move.wav", {{1000, 0.1}, {300, 0.1}}) + "\" alias 1");
  Recorder recorder(server_);
  constexpr int kPlays = 100;
  for (int play = 0; play < kPlays; ++play) {
    Expect("play \"1\" from 0 notify");
    recorder.Keep(300);
  }
  const std::string tones = Tones(recorder.Keep(500));
  EXPECT_EQ(StartsHeard(tones), kPlays) << "heard: " << tones;
  EXPECT_EQ(probe_->Quit(), "");
}

// An open stream kept the server mixing silence and the game feeding it for
// the whole run.
TEST_F(Sound, AnIdleStreamIsCorkedAndTheNextPlayIsHeard) {
  Expect("open \"" + Wave("short.wav", {{440, 0.1}}) + "\" alias 1");
  Recorder recorder(server_);
  const auto corked = [this] { return server_.Pactl({"list", "sink-inputs"}).contains("Corked: yes"); };
  EXPECT_TRUE(corked()) << "a stream plays before the first sound";
  Expect("play \"1\" from 0 notify");
  EXPECT_TRUE(recorder.WaitFor([](const auto& heard) { return Peak(heard) > 8000; }));
  const QDeadlineTimer deadline(kStreamMs);
  while (!corked() && !deadline.hasExpired()) QThread::msleep(50);
  ASSERT_TRUE(corked()) << "the stream still plays, seconds after the sound";
  const std::size_t before = recorder.Heard().size();
  Expect("play \"1\" from 0 notify");
  EXPECT_TRUE(recorder.WaitFor([before](const auto& heard) {
    return Peak(std::vector<std::int16_t>(heard.begin() + std::ptrdiff_t(before), heard.end())) > 8000;
  })) << "the play after the rest was not heard";
  EXPECT_EQ(probe_->Quit(), "");
}

TEST_F(Sound, EachPlayRestartsFromTheBeginningAndLoopsGoOnUntilStopped) {
  Expect("open \"" + Wave("restart.wav", {{1000, 0.1}, {300, 0.4}}) + "\" alias 1");
  Recorder recorder(server_);
  // Played every 50 ms, only the sound's high beginning is ever heard.
  for (int play = 0; play < 20; ++play) {
    Expect("play \"1\" from 0 notify");
    recorder.Keep(50);
  }
  std::string tones = Tones(recorder.Keep(800));
  const std::size_t first = tones.find('H');
  ASSERT_NE(first, std::string::npos) << "heard: " << tones;
  const std::size_t low = tones.find("LLL", first);  // a piece where a play lands may look low
  ASSERT_NE(low, std::string::npos) << "heard: " << tones;
  // About 1 s of restarts and the last play's 0.1 s of high tone, nothing lower.
  EXPECT_GE(low - first, 36u) << "heard: " << tones;
  EXPECT_EQ(tones.find('.', first), tones.find_last_not_of('.') + 1) << "a gap: " << tones;

  Expect("open \"" + Wave("loop.wav", {{660, 0.25}}) + "\" alias 2 type mpegvideo");
  Expect("play \"2\" repeat");
  // Far more sound than one pass of a quarter second.
  recorder.Keep(200);
  const std::size_t before = Tones(recorder.Heard()).size();
  tones = Tones(recorder.Keep(1500)).substr(before);
  EXPECT_EQ(tones.find('.'), std::string::npos) << "the loop paused: " << tones;
  Expect("stop \"2\"");
  recorder.Keep(200);
  const std::size_t stopped = Tones(recorder.Heard()).size();
  tones = Tones(recorder.Keep(500)).substr(stopped);
  EXPECT_EQ(tones.find_first_not_of('.'), std::string::npos) << "stop left it playing: " << tones;
  EXPECT_EQ(probe_->Quit(), "");
}

// Ending right after a sound started, or was cut off, once could abort or hang
// the exit.
TEST_F(Sound, EndsCleanlyRightAfterPlaying) {
  const std::string open = "open \"" + Wave("short.wav", {{440, 0.5}}) + "\" alias 1";
  Expect(open);
  Expect("play \"1\" from 0 notify");
  EXPECT_EQ(probe_->Quit(), "");
  for (unsigned run = 0; run < 10; ++run) {
    Probe probe(server_.ClientEnvironment());
    ASSERT_TRUE(probe.Started());
    EXPECT_EQ(probe.Send(open), 0);
    EXPECT_EQ(probe.Send("play \"1\" from 0 notify"), 0);
    if (run % 2) {
      QThread::msleep(50 * run);
      EXPECT_EQ(probe.Send("play \"1\" from 0 notify"), 0);
    }
    EXPECT_EQ(probe.Quit(), "") << "run " << run;
  }
}

// Without a server to reach, every command is still answered and the probe
// ends normally; nothing waits for the audio system.
void RunWithoutServer(const QProcessEnvironment& env, const QTemporaryDir& folder) {
  const std::string file = folder.filePath("quiet.wav").toStdString();
  test::WriteWave(file, {{440, 0.5}});
  Probe probe(env);
  ASSERT_TRUE(probe.Started());
  EXPECT_EQ(probe.Send("open \"" + file + "\" alias 1"), 0);
  EXPECT_EQ(probe.Send("open \"" + file + "\" alias 2 type mpegvideo"), 0);
  const std::vector<std::string> commands = {"play \"1\" from 0 notify", "play \"1\" from 0 notify",
                                             "play \"2\" repeat", "stop \"1\" notify"};
  for (int round = 0; round < 3; ++round)
    for (const std::string& command : commands) EXPECT_EQ(probe.Send(command), 0) << command;
  for (const char* command : {"play \"1\" from 0 notify", "stop \"2\"", "close \"1\"", "close \"2\""})
    EXPECT_EQ(probe.Send(command), 0) << command;
  EXPECT_EQ(probe.Quit(), "");
  // Qt once printed a line at every play.
  EXPECT_LE(probe.ErrorLines().size(), 1) << probe.ErrorLines().join('\n').toStdString();
}

TEST(SoundWithoutServer, ANamedServerThatIsNotThere) {
  QTemporaryDir folder;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PULSE_SERVER", "unix:" + folder.filePath("nobody-listens.sock"));
  env.remove("DISPLAY");
  RunWithoutServer(env, folder);
}

// A server that never brought the stream up once held the end of the program
// forever.
TEST(SoundWithoutServer, AServerThatNeverAnswers) {
  QTemporaryDir folder;
  const std::string socketPath = folder.filePath("silent.sock").toStdString();
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 4), 0);  // connections queue up and are never answered
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("PULSE_SERVER", "unix:" + QString::fromStdString(socketPath));
  env.remove("DISPLAY");
  RunWithoutServer(env, folder);
  close(listener);
}

TEST(SoundWithoutServer, NoServerAnywhere) {
  QTemporaryDir folder;
  QDir(folder.path()).mkpath("runtime");
  const QString config = folder.filePath("client.conf");
  test::WriteFile(config.toStdString(), "autospawn = no\n");  // nobody starts one for us either
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"PULSE_SERVER", "DISPLAY", "DBUS_SESSION_BUS_ADDRESS"}) env.remove(name);
  for (const char* name : {"HOME", "XDG_CONFIG_HOME"}) env.insert(name, folder.path());
  env.insert("XDG_RUNTIME_DIR", folder.filePath("runtime"));
  env.insert("PULSE_RUNTIME_PATH", folder.filePath("runtime"));
  env.insert("PULSE_CLIENTCONFIG", config);
  RunWithoutServer(env, folder);
}

}  // namespace
}  // namespace mirel

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
