#pragma once
// MediaPanel: the player the viewer shows instead of a picture for a sound or
// video file: the video, a status line, a track bar and the Play/pause and Stop
// controls. Opening is asynchronous: Open() answers later with opened() or
// failed(), and an opened file waits, stopped, for Play.

#include <QSize>
#include <QUrl>
#include <QWidget>

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QSlider;
class QTimer;
class QToolButton;
class QVideoWidget;

namespace zv {

// The warnings the viewer shows when it cannot play a file.
inline constexpr char kMediaPlayerMissingText[] =
    "New Windows multimedia components not installed.\n"
    "See FAQ for free download (upgrade) details.";
inline constexpr char kMediaUnsupportedText[] =
    "Corrupt file or unsupported video format.\nYou may need to install updated codecs.";

// What the panel shows around the picture of a video.
struct MediaBars {
    bool statusLine = true;
    bool trackBar = true;
    bool controls = true;
};

class MediaPanel : public QWidget {
    Q_OBJECT
public:
    // How long an open may go unanswered before it counts as failed.
    static constexpr int kOpenTimeoutMs = 10000;
    // How long an open video may take to show its first frame's size; after
    // that the file opens with the size its metadata gives, if any.
    static constexpr int kVideoSizeWaitMs = 2000;

    explicit MediaPanel(QWidget* parent = nullptr);
    ~MediaPanel() override;

    // False when no multimedia backend is installed (the panel then makes no
    // player at all): the viewer shows kMediaPlayerMissingText instead of
    // opening media mode. Open() still answers failed().
    bool IsAvailable() const;

    // Starts opening a file; the answer comes later as opened() or failed(),
    // exactly one of them per Open. Does not start playing.
    void Open(const QString& path);
    void Play();
    void Pause();
    void PlayPause(); // playing -> pause, else play
    void Stop();
    void Close(); // stop, clear the source; a pending open is dropped unanswered

    void SetBars(const MediaBars& bars);
    void SetLoop(bool loop);    // repeat the clip (Auto Play + Loop) instead of playing it once
    void SetFit(bool fit);      // video scaled to the panel (keeping its aspect) or at its own size
    void SetVolume(int volume); // 0..1000, the viewer's volume option

    // State as the player reports it.
    bool IsOpen() const { return state_ == State::Open; }
    bool IsPlaying() const;
    bool IsPaused() const;
    qint64 ClipLengthMs() const;
    QSize VideoSize() const { return videoSize_; } // (0, 0) for sound

    // Heights the status line, track bar and controls take when shown, so the
    // viewer can size its window to a video plus the bars it shows.
    int StatusLineHeight() const;
    int TrackBarHeight() const;
    int ControlsHeight() const;

signals:
    void opened(); // media open: length and video size known, player stopped
    void failed(); // the file could not be opened or decoded
    void contextMenuWanted(QPoint globalPos); // right click on the player

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    enum class State { Idle, Opening, Open };

    void BuildBars();
    void ConnectPlayer();
    bool AnswersThisOpen() const;
    void MediaStatusChanged(int status);
    void TryFinishOpen();
    void FinishOpen();
    void FailOpen();
    void ShowVideoGeometry();
    void ShowPlayState();
    void ShowPosition(qint64 positionMs);
    void TrackBarMoved(int valueMs);

    // None of these exist when no multimedia backend is installed.
    QMediaPlayer* player_ = nullptr;
    QAudioOutput* audio_ = nullptr;
    QVideoWidget* video_ = nullptr;
    QWidget* stage_;
    QLabel* statusLine_;
    QSlider* trackBar_;
    QWidget* controls_;
    QToolButton* playPause_;
    QToolButton* stop_;
    QTimer* openTimeout_;
    QTimer* sizeWait_;

    State state_ = State::Idle;
    QUrl source_;         // the file given to the player, empty when none
    bool loaded_ = false; // the player loaded the file being opened
    bool fit_ = false;
    QSize videoSize_;
};

} // namespace zv
