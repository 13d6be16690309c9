#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QtEndian>
#include <cstdio>
#include <vector>

#include "ui/Artwork.h"

// Writes the Qt program's artwork as Windows icon and bitmap files, so that
// the Win32 windows show the same pictures: each tool glyph as two icons, its
// normal and its greyed image ("-off"), the board picture as a bitmap, and the
// program's icon. Run by scripts/win32-artwork.sh; its output is kept in the
// tree because the Windows build has no Qt.
namespace {

void Append16(QByteArray& out, quint16 value) {
    const quint16 little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), 2);
}

void Append32(QByteArray& out, quint32 value) {
    const quint32 little = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&little), 4);
}

// One icon image as the icon format stores it: a 32-bit bottom-up DIB with
// alpha, of twice the height, followed by an all-clear AND mask.
QByteArray IconDib(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int width = image.width();
    const int height = image.height();
    const int maskStride = ((width + 31) / 32) * 4;
    QByteArray dib;
    Append32(dib, 40);
    Append32(dib, static_cast<quint32>(width));
    Append32(dib, static_cast<quint32>(height * 2));
    Append16(dib, 1);
    Append16(dib, 32);
    Append32(dib, 0);
    Append32(dib, static_cast<quint32>(width * height * 4 + maskStride * height));
    for (int i = 0; i < 4; ++i) {
        Append32(dib, 0);
    }
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            Append32(dib, image.pixel(x, y));
        }
    }
    dib.append(QByteArray(maskStride * height, '\0'));
    return dib;
}

bool WriteIcon(const QString& path, const std::vector<QImage>& images) {
    QByteArray out;
    Append16(out, 0);
    Append16(out, 1);
    Append16(out, static_cast<quint16>(images.size()));
    std::vector<QByteArray> dibs;
    quint32 offset = 6 + 16 * static_cast<quint32>(images.size());
    for (const QImage& image : images) {
        dibs.push_back(IconDib(image));
        out.append(static_cast<char>(image.width() % 256));
        out.append(static_cast<char>(image.height() % 256));
        out.append(2, '\0');
        Append16(out, 1);
        Append16(out, 32);
        Append32(out, static_cast<quint32>(dibs.back().size()));
        Append32(out, offset);
        offset += static_cast<quint32>(dibs.back().size());
    }
    for (const QByteArray& dib : dibs) {
        out.append(dib);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(out) == out.size();
}

bool WriteGlyph(const QDir& folder, const char* name, const QIcon& glyph, int size) {
    const QString base = folder.filePath(QString::fromLatin1(name));
    return WriteIcon(base + QStringLiteral(".ico"),
                     {glyph.pixmap(size, QIcon::Normal).toImage()}) &&
           WriteIcon(base + QStringLiteral("-off.ico"),
                     {glyph.pixmap(size, QIcon::Disabled).toImage()});
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: tallis-artwork-export FOLDER\n", stderr);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    using namespace tallis;
    const QImage picture = ProgrammerPicture().toImage();
    bool written = picture.convertToFormat(QImage::Format_RGB888)
                       .save(folder.filePath(QStringLiteral("board.bmp")), "BMP");
    written = written && WriteGlyph(folder, "open", OpenGlyph(), 14);
    written = written && WriteGlyph(folder, "program", ProgramGlyph(), 16);
    written = written && WriteGlyph(folder, "erase", EraseGlyph(), 16);
    written = written && WriteGlyph(folder, "reset", ResetGlyph(), 16);
    written = written && WriteGlyph(folder, "about", AboutGlyph(), 16);
    written = written && WriteGlyph(folder, "exit", ExitGlyph(), 16);
    written = written && WriteGlyph(folder, "ok", OkGlyph(), 16);
    std::vector<QImage> appSizes;
    for (const int size : {48, 32, 16}) {
        appSizes.push_back(
            picture.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    written = written && WriteIcon(folder.filePath(QStringLiteral("tallis.ico")), appSizes);
    if (!written) {
        std::fputs("tallis-artwork-export: could not write the files\n", stderr);
        return 1;
    }
    return 0;
}
