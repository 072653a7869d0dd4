#pragma once

#include <QString>

// The reminder sound, kept in "config.txt": line 1 the sound file's path, line 2
// "opensound" or "closesound". The file is in the system locale's encoding and is always
// replaced whole when saved.
struct SoundSettings
{
    static inline const QString FileName = QStringLiteral("config.txt");
    static inline const QString DefaultSoundFile = QStringLiteral("./dingdong.wav");
    static inline const QString SoundOn = QStringLiteral("opensound");
    static inline const QString SoundOff = QStringLiteral("closesound");
    // The file holds two lines: anything larger is not what the program wrote.
    static constexpr qint64 MaxFileBytes = 64 * 1024;
    // The player reads the whole sound file into memory.
    static constexpr qint64 MaxSoundBytes = 50 * 1024 * 1024;

    QString soundFile;   // line 1 as read, nothing trimmed
    QString soundSwitch; // line 2 as read, nothing trimmed
    bool fileExists = false;
    QString error; // why the existing file could not be read, to be told to the user

    // Reads the file, never waiting: a missing file gives the defaults with fileExists false;
    // an existing one that is not a regular file of at most MaxFileBytes, or cannot be read,
    // gives two empty lines (silence, rather than a guess at what the user chose) and `error`.
    // Lines end with LF or CR LF; a missing line reads as empty.
    static SoundSettings read(const QString &path = FileName);

    // Writes the two lines, replacing the file atomically. False with `error` set when the
    // file cannot be written.
    static bool save(const QString &soundFile, bool muted, const QString &path = FileName,
                     QString *error = nullptr);
    // Writes the defaults ("./dingdong.wav", "opensound").
    static bool writeDefaults(const QString &path = FileName, QString *error = nullptr);
    // Puts the built-in chime at DefaultSoundFile when nothing is there: the default
    // settings name it, and without it every reminder would be silent. A file already
    // there, the user's own sound perhaps, is left alone.
    static void installDefaultSound();

    // What to tell the user when the sound file at `path` cannot be given to the player (not
    // a regular file, empty, larger than MaxSoundBytes); empty when it can.
    static QString soundFileProblem(const QString &path);
    // What to tell the user when the player could not play the sound file at `path`.
    static QString unplayableMessage(const QString &path);

    // A reminder plays only when line 2 is exactly "opensound".
    bool playsSound() const { return soundSwitch == SoundOn; }
    // The settings window ticks its mute box only when line 2 is exactly "closesound".
    bool muted() const { return soundSwitch == SoundOff; }
};
