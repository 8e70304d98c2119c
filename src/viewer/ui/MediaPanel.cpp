#include "viewer/ui/MediaPanel.h"

#include <QAudioOutput>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QLibrary>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QPluginLoader>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoSink>
#include <QVideoWidget>

#include <algorithm>
#include <climits>

namespace zv {

namespace {

// "0:07", "12:34", "1:02:03".
QString ClockText(qint64 ms) {
    const qint64 seconds = std::max<qint64>(ms, 0) / 1000;
    const qint64 hours = seconds / 3600;
    const QString minSec = QStringLiteral("%1:%2")
                               .arg(hours > 0 ? (seconds / 60) % 60 : seconds / 60,
                                    hours > 0 ? 2 : 1, 10, QLatin1Char('0'))
                               .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    return hours > 0 ? QStringLiteral("%1:%2").arg(hours).arg(minSec) : minSec;
}

int ClampToInt(qint64 value) {
    return static_cast<int>(std::clamp<qint64>(value, 0, INT_MAX));
}

// A bar keeps the height it asks for, so the room it takes is known before it is shown.
void FixHeight(QWidget* bar) {
    bar->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void AddBackendKeys(const QJsonObject& plugin, QStringList& keys) {
    if (plugin.value(QLatin1String("IID")).toString() !=
        QLatin1String("org.qt-project.Qt.QPlatformMediaPlugin"))
        return;
    const QJsonArray names =
        plugin.value(QLatin1String("MetaData")).toObject().value(QLatin1String("Keys")).toArray();
    for (const QJsonValue& name : names) keys << name.toString();
}

// The names of the multimedia backends Qt can load, read from the plugins'
// metadata without loading them.
QStringList InstalledBackends() {
    QStringList keys;
    for (const QStaticPlugin& plugin : QPluginLoader::staticPlugins())
        AddBackendKeys(plugin.metaData(), keys);
    for (const QString& folder : QCoreApplication::libraryPaths()) {
        const QDir plugins(folder + QLatin1String("/multimedia"));
        for (const QFileInfo& file : plugins.entryInfoList(QDir::Files)) {
            if (QLibrary::isLibrary(file.fileName()))
                AddBackendKeys(QPluginLoader(file.absoluteFilePath()).metaData(), keys);
        }
    }
    return keys;
}

// Qt 6.4 ends the program when the first multimedia object is made and no
// backend loads (none installed, or QT_MEDIA_BACKEND names a missing one), so
// the panel makes its player only when this answers true.
bool BackendInstalled() {
    const QStringList backends = InstalledBackends();
    const QString chosen = qEnvironmentVariable("QT_MEDIA_BACKEND");
    return chosen.isEmpty() ? !backends.isEmpty() : backends.contains(chosen);
}

} // namespace

MediaPanel::MediaPanel(QWidget* parent)
    : QWidget(parent), stage_(new QWidget), statusLine_(new QLabel),
      trackBar_(new QSlider(Qt::Horizontal)), controls_(new QWidget), playPause_(new QToolButton),
      stop_(new QToolButton), openTimeout_(new QTimer(this)), sizeWait_(new QTimer(this)),
      videoSize_(0, 0) {
    auto* stageLayout = new QGridLayout(stage_);
    stageLayout->setContentsMargins(0, 0, 0, 0);
    stage_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    if (BackendInstalled()) {
        player_ = new QMediaPlayer(this);
        audio_ = new QAudioOutput(this);
        video_ = new QVideoWidget;
        player_->setAudioOutput(audio_);
        player_->setVideoOutput(video_);
        video_->setAspectRatioMode(Qt::KeepAspectRatio);
        video_->hide();
        stageLayout->addWidget(video_, 0, 0);
    }

    BuildBars();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(stage_, 1);
    layout->addWidget(trackBar_);
    layout->addWidget(controls_);
    layout->addWidget(statusLine_);

    openTimeout_->setSingleShot(true);
    connect(openTimeout_, &QTimer::timeout, this, &MediaPanel::FailOpen);
    sizeWait_->setSingleShot(true);
    sizeWait_->setInterval(kVideoSizeWaitMs);
    connect(sizeWait_, &QTimer::timeout, this, [this] {
        if (state_ == State::Opening) FinishOpen();
    });
    if (player_) ConnectPlayer();
    SetFit(false);
    ShowPlayState();
}

MediaPanel::~MediaPanel() {
    // Stop before the outputs go, so the backend never renders into a dead widget.
    if (player_) player_->stop();
}

void MediaPanel::BuildBars() {
    statusLine_->setContentsMargins(4, 1, 4, 1);
    FixHeight(statusLine_);

    trackBar_->setRange(0, 0);
    trackBar_->setEnabled(false);
    FixHeight(trackBar_);
    connect(trackBar_, &QSlider::valueChanged, this, &MediaPanel::TrackBarMoved);

    playPause_->setToolTip(tr("Play/pause"));
    playPause_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    stop_->setToolTip(tr("Stop"));
    stop_->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    connect(playPause_, &QToolButton::clicked, this, &MediaPanel::PlayPause);
    connect(stop_, &QToolButton::clicked, this, &MediaPanel::Stop);
    auto* row = new QHBoxLayout(controls_);
    row->setContentsMargins(2, 2, 2, 2);
    row->addWidget(playPause_);
    row->addWidget(stop_);
    row->addStretch(1);
    FixHeight(controls_);
}

void MediaPanel::ConnectPlayer() {
    connect(player_, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) { MediaStatusChanged(status); });
    connect(player_, &QMediaPlayer::errorOccurred, this,
            [this](QMediaPlayer::Error, const QString& message) {
                if (state_ == State::Opening) {
                    if (AnswersThisOpen()) FailOpen();
                } else if (state_ == State::Open) {
                    statusLine_->setText(message); // a fault while playing: the file stays open
                }
            });
    const auto sizeMayBeKnown = [this] {
        if (state_ == State::Opening && AnswersThisOpen()) TryFinishOpen();
    };
    connect(player_, &QMediaPlayer::hasVideoChanged, this, sizeMayBeKnown);
    connect(player_, &QMediaPlayer::metaDataChanged, this, sizeMayBeKnown);
    connect(video_->videoSink(), &QVideoSink::videoSizeChanged, this, sizeMayBeKnown);

    connect(player_, &QMediaPlayer::playbackStateChanged, this, &MediaPanel::ShowPlayState);
    connect(player_, &QMediaPlayer::positionChanged, this, &MediaPanel::ShowPosition);
    connect(player_, &QMediaPlayer::seekableChanged, this,
            [this](bool seekable) { trackBar_->setEnabled(IsOpen() && seekable); });
    connect(player_, &QMediaPlayer::durationChanged, this, [this](qint64 lengthMs) {
        if (state_ != State::Open) return;
        const QSignalBlocker quiet(trackBar_);
        trackBar_->setRange(0, ClampToInt(lengthMs));
        ShowPosition(player_->position());
    });
}

bool MediaPanel::IsAvailable() const {
    return player_ && player_->isAvailable();
}

void MediaPanel::Open(const QString& path) {
    Close();
    state_ = State::Opening;
    ShowPlayState();
    const QFileInfo file(path);
    if (!IsAvailable() || !file.isFile()) {
        openTimeout_->start(0); // the answer still comes later, as for any other open
        return;
    }
    openTimeout_->start(kOpenTimeoutMs);
    source_ = QUrl::fromLocalFile(file.absoluteFilePath());
    player_->setSource(source_);
}

// The player may still report on the file it had before (a backend answers
// from its own threads): only news about the file being opened counts.
bool MediaPanel::AnswersThisOpen() const {
    return !source_.isEmpty() && player_->source() == source_;
}

void MediaPanel::MediaStatusChanged(int status) {
    if (state_ != State::Opening || !AnswersThisOpen()) return;
    if (status == QMediaPlayer::InvalidMedia) {
        FailOpen();
    } else if (status == QMediaPlayer::LoadedMedia) {
        loaded_ = true;
        TryFinishOpen();
    }
}

// A video opens once its picture size is known; sound opens as soon as it is loaded.
void MediaPanel::TryFinishOpen() {
    if (!loaded_) return;
    const bool sizeKnown =
        !video_->videoSink()->videoSize().isEmpty() ||
        !player_->metaData().value(QMediaMetaData::Resolution).toSize().isEmpty();
    if (player_->hasVideo() && !sizeKnown) {
        if (!sizeWait_->isActive()) sizeWait_->start();
        return;
    }
    FinishOpen();
}

void MediaPanel::FinishOpen() {
    openTimeout_->stop();
    sizeWait_->stop();
    state_ = State::Open;
    videoSize_ = QSize(0, 0);
    if (player_->hasVideo()) {
        const QSize frame = video_->videoSink()->videoSize();
        const QSize stated = player_->metaData().value(QMediaMetaData::Resolution).toSize();
        if (!frame.isEmpty()) {
            videoSize_ = frame;
        } else if (!stated.isEmpty()) {
            videoSize_ = stated;
        }
    }
    if (player_->playbackState() != QMediaPlayer::StoppedState) player_->stop();
    {
        const QSignalBlocker quiet(trackBar_);
        trackBar_->setRange(0, ClampToInt(player_->duration()));
        trackBar_->setValue(0);
    }
    trackBar_->setEnabled(player_->isSeekable());
    ShowVideoGeometry();
    ShowPlayState();
    emit opened();
}

void MediaPanel::FailOpen() {
    if (state_ != State::Opening) return;
    openTimeout_->stop();
    sizeWait_->stop();
    state_ = State::Idle;
    loaded_ = false;
    if (player_) player_->stop();
    ShowPlayState();
    emit failed();
}

void MediaPanel::Play() {
    if (IsOpen()) player_->play();
}

void MediaPanel::Pause() {
    if (IsOpen()) player_->pause();
}

void MediaPanel::PlayPause() {
    if (IsPlaying()) {
        Pause();
    } else {
        Play();
    }
}

void MediaPanel::Stop() {
    if (IsOpen()) player_->stop();
}

void MediaPanel::Close() {
    openTimeout_->stop();
    sizeWait_->stop();
    state_ = State::Idle;
    loaded_ = false;
    source_.clear();
    videoSize_ = QSize(0, 0);
    if (player_) {
        player_->stop();
        player_->setSource(QUrl());
    }
    {
        const QSignalBlocker quiet(trackBar_);
        trackBar_->setRange(0, 0);
    }
    trackBar_->setEnabled(false);
    ShowVideoGeometry();
    ShowPlayState();
}

void MediaPanel::SetBars(const MediaBars& bars) {
    statusLine_->setVisible(bars.statusLine);
    trackBar_->setVisible(bars.trackBar);
    controls_->setVisible(bars.controls);
}

void MediaPanel::SetLoop(bool loop) {
    if (player_) player_->setLoops(loop ? QMediaPlayer::Infinite : 1);
}

void MediaPanel::SetFit(bool fit) {
    fit_ = fit;
    ShowVideoGeometry();
}

void MediaPanel::SetVolume(int volume) {
    if (audio_) audio_->setVolume(static_cast<float>(std::clamp(volume, 0, 1000)) / 1000.0f);
}

bool MediaPanel::IsPlaying() const {
    return IsOpen() && player_->playbackState() == QMediaPlayer::PlayingState;
}

bool MediaPanel::IsPaused() const {
    return IsOpen() && player_->playbackState() == QMediaPlayer::PausedState;
}

qint64 MediaPanel::ClipLengthMs() const {
    return IsOpen() ? player_->duration() : 0;
}

int MediaPanel::StatusLineHeight() const {
    return statusLine_->sizeHint().height();
}
int MediaPanel::TrackBarHeight() const {
    return trackBar_->sizeHint().height();
}
int MediaPanel::ControlsHeight() const {
    return controls_->sizeHint().height();
}

void MediaPanel::contextMenuEvent(QContextMenuEvent* event) {
    emit contextMenuWanted(event->globalPos());
    event->accept();
}

// Fitted, the video fills the stage keeping its aspect; otherwise it keeps its
// own size, centred. Sound shows no picture at all.
void MediaPanel::ShowVideoGeometry() {
    if (!video_) return;
    const bool hasPicture = IsOpen() && !videoSize_.isEmpty();
    auto* stageLayout = static_cast<QGridLayout*>(stage_->layout());
    if (fit_ || !hasPicture) {
        video_->setMinimumSize(0, 0);
        video_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        stageLayout->setAlignment(video_, Qt::Alignment());
    } else {
        video_->setFixedSize(videoSize_);
        stageLayout->setAlignment(video_, Qt::AlignCenter);
    }
    video_->setVisible(hasPicture);
}

void MediaPanel::ShowPlayState() {
    const bool playing = IsPlaying();
    playPause_->setIcon(
        style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    playPause_->setEnabled(IsOpen());
    stop_->setEnabled(IsOpen());
    if (state_ == State::Opening) {
        statusLine_->setText(tr("Opening..."));
    } else if (state_ == State::Idle) {
        statusLine_->clear();
    } else {
        ShowPosition(player_->position());
    }
}

void MediaPanel::ShowPosition(qint64 positionMs) {
    if (!IsOpen()) return;
    if (!trackBar_->isSliderDown()) {
        const QSignalBlocker quiet(trackBar_);
        trackBar_->setValue(ClampToInt(positionMs));
    }
    const QString state = IsPlaying() ? tr("Playing") : IsPaused() ? tr("Paused") : tr("Stopped");
    statusLine_->setText(QStringLiteral("%1 %2 / %3")
                             .arg(state, ClockText(positionMs), ClockText(player_->duration())));
}

// Only the user moves the track bar: the player's own position updates are blocked.
void MediaPanel::TrackBarMoved(int valueMs) {
    if (IsOpen()) player_->setPosition(valueMs);
}

} // namespace zv
