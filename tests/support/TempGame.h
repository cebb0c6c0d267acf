#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

// A throw-away game folder for window tests: Mods/, Data/ and whatever a test adds.
class TempGame
{
public:
    TempGame()
    {
        for (const char *sub : {"Mods", "Data/Tilesets", "Data/Enemies", "Data/Backdrops", "Data/Music"})
            QDir(m_dir.path()).mkpath(QString::fromLatin1(sub));
    }

    QString path() const { return m_dir.path(); }
    QString file(const QString &relative) const { return m_dir.filePath(relative); }

    void write(const QString &relative, const QByteArray &bytes) const
    {
        const QString full = file(relative);
        QDir().mkpath(QFileInfo(full).absolutePath());
        QFile f(full);
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }

    QByteArray read(const QString &relative) const
    {
        QFile f(file(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Copies the Mods and Data folders of another game folder (the demo's), so that a test
    // changes only its own copy.
    void copyGame(const QString &gameFolder) const
    {
        const QDir root(gameFolder);
        for (const QString &top : {QStringLiteral("Mods"), QStringLiteral("Data")}) {
            QDirIterator it(root.filePath(top), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QString from = it.next();
                QFile f(from);
                if (f.open(QIODevice::ReadOnly))
                    write(root.relativeFilePath(from), f.readAll());
            }
        }
    }

    // Copies the pictures beside another game folder's programs (the enemy pictures skins
    // name, tiledata.bmp).
    void copyPictures(const QString &gameFolder) const
    {
        const QDir root(gameFolder);
        for (const QString &picture : root.entryList({QStringLiteral("*.bmp"), QStringLiteral("*.gif")}, QDir::Files)) {
            QFile f(root.filePath(picture));
            if (f.open(QIODevice::ReadOnly))
                write(picture, f.readAll());
        }
    }

    bool exists(const QString &relative) const { return QFileInfo::exists(file(relative)); }

    // A tileset picture of the given size in tiles, filled with one colour.
    void tileset(const QString &name, int columns, int rows, QRgb colour = qRgb(40, 160, 60)) const
    {
        QImage picture(32 * columns, 32 * rows, QImage::Format_RGB32);
        picture.fill(colour);
        picture.save(file(QStringLiteral("Data/Tilesets/") + name + QStringLiteral(".bmp")), "BMP");
        write(QStringLiteral("Data/Tilesets/") + name + QStringLiteral(".qzt"),
              QByteArray(1, char(columns - 1)) + char(rows - 1) + QByteArray(columns * rows, '\0'));
    }

private:
    QTemporaryDir m_dir;
};
