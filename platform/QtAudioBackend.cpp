#include "QtAudioBackend.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QSoundEffect>
#include <QThread>
#include <QUrl>
#include <QWaveDecoder>
#include <cstdint>
#include <system_error>
#include <utility>

namespace mirel {

// The sound effects, one per open device. Every member runs on the audio thread.
//
// Qt 6.4's QSoundEffect needs care. play() on an effect that is still playing
// stops and restarts its output, but a state change still queued from the old
// output (the end of a short sound) can now and then stop the new one. An
// effect whose file failed to load stays failed: play() only clears its status.
// And its decoded sample stays in Qt's sample cache under the file's URL in the
// failed state, where a new request for that URL never loads it again.
//
// So a play that must restart a sound still playing gets a fresh effect (the
// decoded sample is shared, so this is cheap); and after a failure the fresh
// effect asks for the file under a new URL (the same file, another fragment),
// which loads it anew.
class QtAudioBackend::Voices : public QObject {
 public:
  void Prepare(const std::string& alias, const QString& file) {
    Voice& voice = voices_[alias];
    if (voice.file != file) {
      voice = Voice{};
      voice.file = file;
    }
    if (!voice.effect) voice.effect = Make(voice);
  }

  void Play(const std::string& alias, const QString& file, bool loop) {
    Prepare(alias, file);
    Voice& voice = voices_[alias];
    const QSoundEffect::Status status = voice.effect->status();
    const bool failed = status == QSoundEffect::Error || status == QSoundEffect::Null;
    // Still loading, the effect starts by itself once loaded; a second play
    // before then has nothing to restart.
    const bool sounding = status == QSoundEffect::Ready && voice.effect->isPlaying();
    if (failed || sounding) {
      if (failed) ++voice.generation;
      std::unique_ptr<QSoundEffect> old = std::exchange(voice.effect, Make(voice));
      old->stop();  // goes after the new one holds the sample, which then stays loaded
    }
    voice.effect->setLoopCount(loop ? int(QSoundEffect::Infinite) : 1);
    voice.effect->play();
  }

  void Stop(const std::string& alias) {
    const auto it = voices_.find(alias);
    if (it != voices_.end()) it->second.effect->stop();
  }

  void Close(const std::string& alias) {
    const auto it = voices_.find(alias);
    if (it == voices_.end()) return;
    it->second.effect->stop();
    voices_.erase(it);
  }

  // Before the program ends. Qt 6.4 tears its audio server connection down at
  // exit without holding that connection's lock, and its sample cache then
  // waits for its loader while holding a lock the loader needs: ending with a
  // sample still loading, or with the server still answering the closing of
  // a stream, can abort or hang the exit. So the effects go once no sample is
  // loading, and the server gets a moment after the last stream closed.
  void CloseAll() {
    const QDeadlineTimer loads(2000);
    while (AnyLoading() && !loads.hasExpired()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      QThread::msleep(5);
    }
    for (auto& [alias, voice] : voices_) voice.effect->stop();
    voices_.clear();
    constexpr qint64 kSettleMs = 150;
    if (streamClosed_.isValid() && streamClosed_.elapsed() < kSettleMs)
      QThread::msleep(std::uint64_t(kSettleMs - streamClosed_.elapsed()));
  }

 private:
  struct Voice {
    QString file;
    int generation = 0;  // loads that failed so far
    std::unique_ptr<QSoundEffect> effect;
  };

  std::unique_ptr<QSoundEffect> Make(const Voice& voice) {
    QUrl source = QUrl::fromLocalFile(voice.file);
    if (voice.generation > 0) source.setFragment(QString::number(voice.generation));
    auto effect = std::make_unique<QSoundEffect>();
    QSoundEffect* raw = effect.get();
    QObject::connect(raw, &QSoundEffect::playingChanged, this, [this, raw] {
      if (!raw->isPlaying()) streamClosed_.start();
    });
    effect->setSource(source);
    return effect;
  }

  bool AnyLoading() const {
    for (const auto& [alias, voice] : voices_)
      if (voice.effect->status() == QSoundEffect::Loading) return true;
    return false;
  }

  std::map<std::string, Voice> voices_;
  QElapsedTimer streamClosed_;  // since a sound last stopped
};

QtAudioBackend::QtAudioBackend() = default;

QtAudioBackend::~QtAudioBackend() {
  if (!thread_) return;
  // The effects go on their own thread, while it still runs their events.
  QMetaObject::invokeMethod(
      voices_, [voices = voices_] { voices->CloseAll(); }, Qt::BlockingQueuedConnection);
  QObject::connect(thread_.get(), &QThread::finished, voices_, &QObject::deleteLater);
  thread_->quit();
  thread_->wait();
}

bool QtAudioBackend::IsPlayableWave(const std::filesystem::path& file) {
  QFile in(QString::fromStdString(file.string()));
  if (!in.open(QIODevice::ReadOnly)) return false;
  // The same reader the sound effects use, so what passes here they can play.
  QWaveDecoder decoder(&in);
  // It reads the whole header within open(); the format counts only once the
  // data chunk has been found too.
  bool known = false;
  QObject::connect(&decoder, &QWaveDecoder::formatKnown, [&known] { known = true; });
  return decoder.open(QIODevice::ReadOnly) && known && decoder.audioFormat().isValid();
}

bool QtAudioBackend::Open(const std::string& alias, const std::filesystem::path& file) {
  if (!IsPlayableWave(file)) return false;
  // Absolute, so a later change of the working folder cannot lose it.
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(file, ec);
  const QString path = QString::fromStdString((ec ? file : absolute).string());
  files_[alias] = path;
  if (thread_)
    QMetaObject::invokeMethod(voices_, [voices = voices_, alias, path] { voices->Prepare(alias, path); });
  return true;
}

void QtAudioBackend::Play(const std::string& alias, bool loop) {
  const auto it = files_.find(alias);
  if (it == files_.end() || !StartThread()) return;
  QMetaObject::invokeMethod(
      voices_, [voices = voices_, alias, path = it->second, loop] { voices->Play(alias, path, loop); });
}

void QtAudioBackend::Stop(const std::string& alias) {
  if (!thread_ || !files_.count(alias)) return;
  QMetaObject::invokeMethod(voices_, [voices = voices_, alias] { voices->Stop(alias); });
}

void QtAudioBackend::Close(const std::string& alias) {
  if (!files_.erase(alias) || !thread_) return;
  QMetaObject::invokeMethod(voices_, [voices = voices_, alias] { voices->Close(alias); });
}

bool QtAudioBackend::StartThread() {
  if (thread_) return true;
  // The sound effects need an application object for their events.
  if (!QCoreApplication::instance()) return false;
  thread_ = std::make_unique<QThread>();
  thread_->setObjectName(QStringLiteral("mirel audio"));
  voices_ = new Voices;
  voices_->moveToThread(thread_.get());
  thread_->start();
  // Load every open sound now, so that a later first play of another one
  // starts at once.
  for (const auto& [alias, path] : files_)
    QMetaObject::invokeMethod(
        voices_, [voices = voices_, alias = alias, path = path] { voices->Prepare(alias, path); });
  return true;
}

}  // namespace mirel
