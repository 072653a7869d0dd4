#include "soundsettings.h"

#include "logging.h"
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString saveError(const QString &path, const QString &reason)
{
    return QStringLiteral("无法保存铃声设置文件 %1：%2")
        .arg(QFileInfo(path).absoluteFilePath(), reason);
}

// A path is no help when it does not fit the message box.
QString shortened(const QString &path)
{
    return path.size() > 200 ? path.left(100) + QStringLiteral("…") + path.right(60) : path;
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
    // Opened without waiting, and judged by what was opened rather than by its name: a FIFO
    // in its place would hold the open, and the reminder that reads it, until something
    // writes to it; a device or a huge file would be read without end.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info = {};
    QString reason;
    if (fd < 0)
        reason = QString::fromLocal8Bit(std::strerror(errno));
    else if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        reason = QStringLiteral("它不是普通文件");
    else if (info.st_size > MaxFileBytes)
        reason = QStringLiteral("它大于 %1 KB").arg(MaxFileBytes / 1024);
    else if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        reason = file.errorString();
    if (!reason.isEmpty()) {
        if (fd >= 0 && !file.isOpen())
            ::close(fd);
        settings.error = QStringLiteral("无法读取铃声设置文件 %1（%2）：提醒照常显示，但没有声音；"
                                        "请在“铃音设置”中选择铃声并按“确定”，重新保存设置。")
                             .arg(shortened(QFileInfo(path).absoluteFilePath()), reason);
        qCWarning(lcSound).noquote() << settings.error;
        return settings;
    }
    QTextStream in(file.read(MaxFileBytes));
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

QString SoundSettings::soundFileProblem(const QString &path)
{
    const QFileInfo file(path);
    // The player says nothing of a file that is not there or holds nothing, and it reads the
    // whole file into memory: a sound file of 2 GB took 2 GB.
    if (!file.isFile() || file.size() == 0)
        return unplayableMessage(path);
    if (file.size() > MaxSoundBytes)
        return QStringLiteral("提醒铃声文件 %1 大于 %2 MB，不能用作铃声：提醒照常显示，但没有声音；"
                              "请在“铃音设置”中另选一个铃声文件。")
            .arg(shortened(file.absoluteFilePath()), QString::number(MaxSoundBytes >> 20));
    return {};
}

QString SoundSettings::unplayableMessage(const QString &path)
{
    return QStringLiteral("无法播放提醒铃声 %1：该文件不存在、是空的，或不是能播放的 WAV 文件。"
                          "提醒照常显示，但没有声音；请在“铃音设置”中另选一个铃声文件。")
        .arg(shortened(QFileInfo(path).absoluteFilePath()));
}
