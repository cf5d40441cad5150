#pragma once

#include <QPixmap>
#include <QString>

// One of the program's own pictures (resources/pictures) by its file name, "LightOn.png" say;
// a null picture for a name it does not have.
QPixmap ProgramPicture(const QString &Name);
// The resource path of that picture, for readers that take a file name (an animation).
QString ProgramPicturePath(const QString &Name);
