#include "ui/widgets/MacEdit.h"

TMacEdit::TMacEdit(QWidget *parent) : QLineEdit(parent)
{
    // ">" upper-cases letters; the blank character is a space.
    setInputMask(QStringLiteral(">HH-HH-HH-HH-HH-HH; "));
}
