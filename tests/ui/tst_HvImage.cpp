#include "ui/widgets/HvImage.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

QPixmap Filled(const QColor &Colour)
{
    QPixmap picture(8, 8);
    picture.fill(Colour);
    return picture;
}

void Enter(QWidget *Widget)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), Widget->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(Widget, &enter);
}

void Leave(QWidget *Widget)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(Widget, &leave);
}

bool Shows(const THvImage &Image, const QPixmap &Picture)
{
    return Image.pixmap().toImage() == Picture.toImage();
}

} // namespace

class TestHvImage : public QObject
{
    Q_OBJECT

private slots:
    void LeavePictureIsShownWhenAssigned();
    void PointerSwapsThePicturesBeforeTelling();
    void EnteringWithoutEnterPictureShowsNothing();
    void ALeftClickInsideIsAClick();
};

void TestHvImage::LeavePictureIsShownWhenAssigned()
{
    THvImage image;
    image.SetMouseEnterPicture(Filled(Qt::yellow));
    QVERIFY(image.pixmap().isNull());
    image.SetMouseLeavePicture(Filled(Qt::blue));
    QVERIFY(Shows(image, Filled(Qt::blue)));
}

void TestHvImage::PointerSwapsThePicturesBeforeTelling()
{
    THvImage image;
    image.SetMouseEnterPicture(Filled(Qt::yellow));
    image.SetMouseLeavePicture(Filled(Qt::blue));
    QStringList told;
    connect(&image, &THvImage::OnMouseEnter, this,
            [&] { told << (Shows(image, Filled(Qt::yellow)) ? "enter after swap" : "enter before swap"); });
    connect(&image, &THvImage::OnMouseLeave, this,
            [&] { told << (Shows(image, Filled(Qt::blue)) ? "leave after swap" : "leave before swap"); });
    Enter(&image);
    QVERIFY(Shows(image, Filled(Qt::yellow)));
    Leave(&image);
    QVERIFY(Shows(image, Filled(Qt::blue)));
    QCOMPARE(told, QStringList({"enter after swap", "leave after swap"}));
}

void TestHvImage::EnteringWithoutEnterPictureShowsNothing()
{
    THvImage image;
    image.SetMouseLeavePicture(Filled(Qt::blue));
    Enter(&image);
    QVERIFY(image.pixmap().isNull());
}

void TestHvImage::ALeftClickInsideIsAClick()
{
    THvImage image;
    image.resize(20, 20);
    QSignalSpy clicks(&image, &THvImage::OnClick);
    QTest::mouseClick(&image, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(&image, Qt::RightButton, {}, QPoint(5, 5));
    QCOMPARE(clicks.count(), 1);
    QTest::mousePress(&image, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&image, Qt::LeftButton, {}, QPoint(30, 5));
    QCOMPARE(clicks.count(), 1);
}

QTEST_MAIN(TestHvImage)
#include "tst_HvImage.moc"
