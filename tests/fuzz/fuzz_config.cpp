// libFuzzer target: any bytes as config.txt. Reading them must neither crash nor yield a
// setting that changes each time it is saved and read again.
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
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();
    const SoundSettings read = SoundSettings::read(path);
    if (read.playsSound() && read.muted())
        std::abort();
    // Saving what was read and reading it again settles at once: what a second save
    // writes reads back as it was saved.
    if (SoundSettings::save(read.soundFile, read.muted(), path)) {
        const SoundSettings once = SoundSettings::read(path);
        if (!SoundSettings::save(once.soundFile, once.muted(), path))
            std::abort();
        const SoundSettings twice = SoundSettings::read(path);
        if (twice.soundFile != once.soundFile || twice.muted() != once.muted())
            std::abort();
    }
    return 0;
}
