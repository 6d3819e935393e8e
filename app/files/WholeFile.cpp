#include "app/files/WholeFile.h"

QString writeWholeFile(const QString& path, const std::function<bool(io::AtomicFile&)>& body) {
    std::string why;
    if (io::AtomicFile::writeWhole(path.toStdString(), body, &why))
        return QString();
    const QString reason = QString::fromStdString(why);
    return reason.left(1).toUpper() + reason.mid(1);
}

QString writeWholeFile(const QString& path, const std::string& text) {
    return writeWholeFile(path, [&](io::AtomicFile& out) { return out.write(text); });
}
