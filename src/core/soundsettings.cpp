#include "soundsettings.h"

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>
#include <QTextStream>

namespace {

Q_LOGGING_CATEGORY(lcSound, "tasquill.sound")

QString saveError(const QString &path, const QString &reason)
{
    return QStringLiteral("无法保存铃声设置文件 %1：%2")
        .arg(QFileInfo(path).absoluteFilePath(), reason);
}

void setError(QString *error, const QString &message)
{
    qCWarning(lcSound).noquote() << message;
    if (error)
        *error = message;
}

} // namespace

SoundSettings SoundSettings::read(const QString &path)
{
    SoundSettings settings;
    QFile file(path);
    if (!file.exists()) {
        settings.soundFile = DefaultSoundFile;
        settings.soundSwitch = SoundOn;
        return settings;
    }
    settings.fileExists = true;
    // Unreadable settings mean silence rather than a guess at what the user chose.
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcSound).noquote()
            << "cannot read" << QFileInfo(path).absoluteFilePath() << ":" << file.errorString();
        return settings;
    }
    QTextStream in(&file);
    in.setEncoding(QStringConverter::System);
    // readLine() drops a trailing LF or CR LF and nothing else; past the end it gives an
    // empty string, so a missing line reads as empty.
    settings.soundFile = in.readLine();
    settings.soundSwitch = in.readLine();
    return settings;
}

bool SoundSettings::save(const QString &soundFile, bool muted, const QString &path, QString *error)
{
    // The file holds one path per line: a line break inside it would turn the rest of the
    // path into the sound switch.
    if (soundFile.contains(QLatin1Char('\n')) || soundFile.contains(QLatin1Char('\r'))) {
        setError(error, saveError(path, QStringLiteral("铃声文件路径中不能有换行")));
        return false;
    }

    // QSaveFile writes a temporary file and renames it over the old one, so the result is
    // the new two lines and nothing else, even when the earlier content was longer or the
    // program dies half-way.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, saveError(path, file.errorString()));
        return false;
    }
    QTextStream out(&file);
    out.setEncoding(QStringConverter::System);
    out << soundFile << '\n' << (muted ? SoundOff : SoundOn) << '\n';
    out.flush();
    if (out.status() != QTextStream::Ok) {
        const QString reason = file.errorString();
        file.cancelWriting();
        setError(error, saveError(path, reason));
        return false;
    }
    if (!file.commit()) {
        setError(error, saveError(path, file.errorString()));
        return false;
    }
    return true;
}

bool SoundSettings::writeDefaults(const QString &path, QString *error)
{
    return save(DefaultSoundFile, false, path, error);
}

void SoundSettings::installDefaultSound()
{
    if (QFile::exists(DefaultSoundFile))
        return;
    if (!QFile::copy(QStringLiteral(":/sounds/dingdong.wav"), DefaultSoundFile)) {
        qCWarning(lcSound) << "cannot write the default sound" << DefaultSoundFile;
        return;
    }
    // Copies out of the resources are read-only and readable by all; the user may want to
    // replace it, and what the program puts in the data folder is the user's alone.
    QFile::setPermissions(DefaultSoundFile, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                                QFile::WriteUser);
}
