#include "app/WholeFile.h"

QString writeWholeFile(const QString& path, const std::function<bool(io::AtomicFile&)>& body) {
    io::AtomicFile out;
    std::string why;
    if (out.open(path.toStdString(), &why) && body(out) && out.commit(&why))
        return QString();
    // A writer that failed part-way leaves no reason: the file is named instead.
    const QString reason = why.empty() ? "cannot write " + path : QString::fromStdString(why);
    return reason.left(1).toUpper() + reason.mid(1);
}

QString writeWholeFile(const QString& path, const std::string& text) {
    return writeWholeFile(path, [&](io::AtomicFile& out) { return out.write(text); });
}
