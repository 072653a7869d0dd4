// libFuzzer target: any bytes as config.txt, read without a crash, and settled by one save.
#include "soundsettings.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    // In memory where there is a tmpfs: the fuzzer runs this millions of times.
    static QTemporaryDir dir(QFile::exists("/dev/shm") ? "/dev/shm/tasquill-fuzz" : QString());
    const QString path = dir.filePath(QStringLiteral("config.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();
    file.close();
    const SoundSettings read = SoundSettings::read(path);
    if (read.playsSound() && read.muted())
        std::abort();
    if (SoundSettings::save(read.soundFile, read.muted(), path)) {
        const SoundSettings once = SoundSettings::read(path);
        const bool saved = SoundSettings::save(once.soundFile, once.muted(), path);
        const SoundSettings twice = SoundSettings::read(path);
        if (!saved || twice.soundFile != once.soundFile || twice.muted() != once.muted())
            std::abort();
    }
    return 0;
}
