#include "platform/clientfiles/XmlDocument.h"

#include "support/TestRoot.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gmock/gmock.h>
#include <sys/stat.h>
#include <xercesc/dom/DOMNode.hpp>

namespace {

using testing::HasSubstr;

QByteArray Encoded(const QString &Text, const char *Encoding)
{
    if (QLatin1String(Encoding) == QLatin1String("ISO-8859-1"))
        return Text.toLatin1();
    QStringEncoder Encoder(Encoding);
    return Encoder.encode(Text);
}

ino_t Inode(const QString &Path)
{
    struct stat Info = {};
    return stat(QFile::encodeName(Path).constData(), &Info) == 0 ? Info.st_ino : 0;
}

class XmlDocument : public testing::Test
{
protected:
    QString FileName(const char *Name = "settings.xml") const { return QDir(FDir.path()).filePath(Name); }
    void Write(const QByteArray &Bytes, const char *Name = "settings.xml")
    {
        QFile File(FileName(Name));
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
        File.write(Bytes);
    }
    QByteArray Read(const char *Name = "settings.xml") const
    {
        QFile File(FileName(Name));
        return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("(missing)");
    }
    // Bytes after setting the first element Name to Text.
    static QByteArray Edited(const QByteArray &Bytes, const QString &Name, const QString &Text)
    {
        TXmlDocument Document;
        EXPECT_TRUE(Document.Parse(Bytes, "edited.xml")) << Document.LastError().toStdString();
        xercesc::DOMElement *Element = Document.FindElement(Document.DocumentElement(), Name);
        EXPECT_NE(Element, nullptr);
        QByteArray Result;
        EXPECT_TRUE(Element && Document.SetText(Element, Text) && Document.Serialize(&Result))
            << Document.LastError().toStdString();
        return Result;
    }

    QTemporaryDir FDir;
};

struct TRoundTrip
{
    const char *Name;
    const char *Encoding;
    QString Before;
    QString After;
};

void PrintTo(const TRoundTrip &Case, std::ostream *Out) { *Out << Case.Name; }

class XmlRoundTrip : public XmlDocument, public testing::WithParamInterface<TRoundTrip>
{};

const QString Rich = QStringLiteral("\uFEFF<?xml version='1.0' encoding='%1' standalone=\"yes\"?>\r\n"
                                    "<!-- kept \u00e9 -->\r\n"
                                    "<?app keep this?>\r\n"
                                    "<Root a = 'x' b=\"&amp;&#65;\" >\r\n"
                                    "\t<Empty  /><Pair></Pair>\r\n"
                                    "\t<Data><![CDATA[<raw>]]></Data>\r\n"
                                    "\t<Addr>1.2.3.4:80</Addr ><Addr>second</Addr>\r\n"
                                    "\t<Text>caf\u00e9 &lt;&#x263A;&gt;</Text>\r\n"
                                    "</Root >\r\n"
                                    "<!-- after -->\r\n");

} // namespace

// Unchanged, a file comes out byte for byte; changed, only the text node differs.
TEST_P(XmlRoundTrip, KeepsEveryByteOutsideTheChangedText)
{
    const TRoundTrip &Case = GetParam();
    const QByteArray Before = Encoded(Case.Before, Case.Encoding);
    TXmlDocument Unchanged;
    ASSERT_TRUE(Unchanged.Parse(Before, "same.xml")) << Unchanged.LastError().toStdString();
    QByteArray Same;
    ASSERT_TRUE(Unchanged.Serialize(&Same)) << Unchanged.LastError().toStdString();
    EXPECT_EQ(Same, Before);
    EXPECT_EQ(Edited(Before, "Addr", QStringLiteral("10.0.0.5:3128")), Encoded(Case.After, Case.Encoding));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlRoundTrip,
    testing::Values(TRoundTrip{"Utf8WithMarkCrLfAndEverything", "UTF-8", Rich.arg("utf-8"),
                               Rich.arg("utf-8").replace("1.2.3.4:80", "10.0.0.5:3128")},
                    TRoundTrip{"Latin1", "ISO-8859-1", Rich.arg("ISO-8859-1").mid(1),
                               Rich.arg("ISO-8859-1").mid(1).replace("1.2.3.4:80", "10.0.0.5:3128")},
                    TRoundTrip{"Utf16LittleEndianWithMark", "UTF-16LE", Rich.arg("UTF-16"),
                               Rich.arg("UTF-16").replace("1.2.3.4:80", "10.0.0.5:3128")},
                    TRoundTrip{"Utf16BigEndianWithoutMark", "UTF-16BE", Rich.arg("UTF-16").mid(1),
                               Rich.arg("UTF-16").mid(1).replace("1.2.3.4:80", "10.0.0.5:3128")},
                    TRoundTrip{"Utf32LittleEndian", "UTF-32LE", Rich.arg("UTF-32"),
                               Rich.arg("UTF-32").replace("1.2.3.4:80", "10.0.0.5:3128")},
                    TRoundTrip{"NoDeclaration", "UTF-8", "<a><Addr>x</Addr>\n</a>",
                               "<a><Addr>10.0.0.5:3128</Addr>\n</a>"}),
    [](const testing::TestParamInfo<TRoundTrip> &Info) { return std::string(Info.param.Name); });

TEST_F(XmlDocument, TextIsEscapedAndWrittenInTheFilesEncoding)
{
    const struct
    {
        const char *Case;
        QByteArray Before;
        QString Text;
        QByteArray After;
    } Cases[] = {
        {"markup characters", "<a><b>x</b></a>", "1<2 & 3>2", "<a><b>1&lt;2 &amp; 3&gt;2</b></a>"},
        {"line ends", "<a><b>x</b></a>", "l1\r\nl2\n", "<a><b>l1&#13;\nl2\n</b></a>"},
        {"utf-8", "<a><b>x</b></a>", QStringLiteral("\u00fc\u20ac\U0001F600"),
         "<a><b>\xc3\xbc\xe2\x82\xac\xf0\x9f\x98\x80</b></a>"},
        {"latin-1 keeps what it has, references the rest",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a><b>x</b></a>", QStringLiteral("\u00fc\u20ac"),
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a><b>\xfc&#8364;</b></a>"},
        {"empty", "<a><b>x</b></a>", "", "<a><b></b></a>"},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(Edited(Case.Before, "b", Case.Text), Case.After) << Case.Case;
}

TEST_F(XmlDocument, ReplacesOnlyAFirstChildThatIsText)
{
    const struct
    {
        const char *Case;
        QByteArray Before;
        const char *Refusal;
    } Cases[] = {
        {"empty element", "<a><b/></a>", "<b> in x.xml holds no text"},
        {"empty pair", "<a><b></b></a>", "<b> in x.xml holds no text"},
        {"element first", "<a><b><c/>t</b></a>", "begins with the element <c>, not with text"},
        {"comment first", "<a><b><!--c-->t</b></a>", "begins with a comment"},
        {"CDATA", "<a><b><![CDATA[t]]></b></a>", "begins with a CDATA section"},
    };
    for (const auto &Case : Cases) {
        TXmlDocument Document;
        ASSERT_TRUE(Document.Parse(Case.Before, "x.xml")) << Case.Case;
        EXPECT_FALSE(Document.SetText(Document.FindElement(Document.DocumentElement(), "b"), "v"))
            << Case.Case;
        EXPECT_THAT(Document.LastError().toStdString(), HasSubstr(Case.Refusal)) << Case.Case;
    }
    EXPECT_EQ(Edited("<a><b>x<!--c-->y</b></a>", "b", "v"), "<a><b>v<!--c-->y</b></a>");
    EXPECT_EQ(Edited("<a><b>  &amp;&#65;x</b></a>", "b", "v"), "<a><b>v</b></a>") << "references are text";
}

TEST_F(XmlDocument, ControlCharactersAreRefused)
{
    TXmlDocument Document;
    ASSERT_TRUE(Document.Parse("<a><b>x</b></a>", "x.xml"));
    EXPECT_FALSE(Document.SetText(Document.FindElement(Document.DocumentElement(), "b"), QString("a\x01")));
    EXPECT_THAT(Document.LastError().toStdString(), HasSubstr("U+0001, which XML cannot carry"));
    QByteArray Bytes;
    ASSERT_TRUE(Document.Serialize(&Bytes));
    EXPECT_EQ(Bytes, "<a><b>x</b></a>");
}

TEST_F(XmlDocument, AppendedElementsGoBeforeTheEndTag)
{
    const struct
    {
        const char *Case;
        QByteArray Before;
        QByteArray After;
    } Cases[] = {
        {"indented", "<r>\n  <S x='1'>\n    <A>1</A>\n  </S >\n</r>",
         "<r>\n  <S x='1'>\n    <A>1</A>\n  <N>v</N><E/></S >\n</r>"},
        {"pair", "<r><S></S></r>", "<r><S><N>v</N><E/></S></r>"},
        {"empty tag", "<r><S a=\"/>\" /></r>", "<r><S a=\"/>\" ><N>v</N><E/></S></r>"},
        {"utf-16", Encoded(QStringLiteral("\uFEFF<r><S/></r>"), "UTF-16LE"),
         Encoded(QStringLiteral("\uFEFF<r><S><N>v</N><E/></S></r>"), "UTF-16LE")},
    };
    for (const auto &Case : Cases) {
        TXmlDocument Document;
        ASSERT_TRUE(Document.Parse(Case.Before, "x.xml")) << Case.Case;
        xercesc::DOMElement *Settings = Document.FindElement(Document.DocumentElement(), "S");
        xercesc::DOMElement *Added = Document.AppendElement(Settings, "N");
        ASSERT_NE(Added, nullptr) << Case.Case;
        Document.AppendText(Added);
        ASSERT_TRUE(Document.SetText(Added, "v")) << Case.Case;
        ASSERT_NE(Document.AppendElement(Settings, "E"), nullptr);
        QByteArray Bytes;
        ASSERT_TRUE(Document.Serialize(&Bytes)) << Document.LastError().toStdString();
        EXPECT_EQ(Bytes, Case.After) << Case.Case;
    }
}

TEST_F(XmlDocument, AnEmptyElementTakesText)
{
    for (const QByteArray &Before : {QByteArray("<r><P/></r>"), QByteArray("<r><P></P></r>")}) {
        TXmlDocument Document;
        ASSERT_TRUE(Document.Parse(Before, "x.xml"));
        xercesc::DOMElement *Element = Document.FindElement(Document.DocumentElement(), "P");
        Document.AppendText(Element);
        ASSERT_TRUE(Document.SetText(Element, "10.0.0.1"));
        QByteArray Bytes;
        ASSERT_TRUE(Document.Serialize(&Bytes)) << Document.LastError().toStdString();
        EXPECT_EQ(Bytes, "<r><P>10.0.0.1</P></r>") << Before.constData();
    }
}

TEST_F(XmlDocument, FindsTheFirstElementInDocumentOrderAndNamesAMissingStep)
{
    TXmlDocument Document;
    ASSERT_TRUE(Document.Parse("<r><x><A>deep</A></x><A>second</A><L><C><H>h</H></C></L></r>", "f.xml"));
    xercesc::DOMElement *First = Document.FindElement(Document.DocumentElement(), "A");
    ASSERT_NE(First, nullptr);
    EXPECT_EQ(QString::fromUtf16(First->getTextContent()), "deep");
    EXPECT_NE(Document.FindPath({"L", "C", "H"}), nullptr);
    EXPECT_EQ(Document.FindPath({"L", "Connection", "H"}), nullptr);
    EXPECT_EQ(Document.LastError(), "f.xml has no <Connection> element below <L>");
    EXPECT_EQ(Document.FindElement(First, "A"), nullptr) << "only below the parent";
}

TEST_F(XmlDocument, ADomChangedBehindItsBackIsNotWritten)
{
    TXmlDocument Document;
    ASSERT_TRUE(Document.Parse("<r a=\"1\"><b>x</b></r>", "x.xml"));
    Document.DocumentElement()->setAttribute(u"a", u"2");
    QByteArray Bytes;
    EXPECT_FALSE(Document.Serialize(&Bytes));
    EXPECT_THAT(Document.LastError().toStdString(), HasSubstr("would not read back as edited"));
}

TEST_F(XmlDocument, BadFilesAreRefusedWithTheirReason)
{
    const struct
    {
        const char *Case;
        QByteArray Bytes;
        const char *Reason;
    } Cases[] = {
        {"empty", "", "settings.xml: line 1, column 1"},
        {"not XML", "just text", "settings.xml: line 1"},
        {"mismatched tags", "<a><b></a>", "line 1, column"},
        {"truncated", "<?xml version=\"1.0\"?>\n<a><b>te", "input ended before all started tags"},
        {"two roots", "<a/><b/>", "line 1"},
        {"unknown XML version", "<?xml version=\"1.0.0\"?><a/>",
         "settings.xml: the DOM refuses the document"},
        {"document type", "<!DOCTYPE a [<!ENTITY x \"xx\">]><a>&x;</a>", "settings.xml: line 1, column 10"},
        {"deep", QByteArray("<a>").repeated(300) + QByteArray("</a>").repeated(300),
         "nested deeper than 256"},
        {"ebcdic",
         QByteArray("\x4c\x6f\xa7\x94\x93\x40\xa5\x85\x99\xa2\x89\x96\x95\x7e\x7f\xf1\x4b\xf0\x7f\x40"
                    "\x85\x95\x83\x96\x84\x89\x95\x87\x7e\x7f\xc9\xc2\xd4\xf0\xf3\xf7\x7f\x6f\x6e\x4c"
                    "\x81\x61\x6e"),
         "does not write markup in ASCII"},
        {"UTF-8 declared, Latin-1 inside", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xe9</a>",
         "settings.xml: "},
        {"encoding unknown", "<?xml version=\"1.0\" encoding=\"x-none\"?><a/>", "settings.xml: "},
        {"stateful encoding", "<?xml version=\"1.0\" encoding=\"ISO-2022-JP\"?><a/>", "ISO-2022-JP"},
        {"too large", "<a>" + QByteArray(TXmlDocument::MaxFileSize, ' ') + "</a>", "is larger than 4 MB"},
    };
    for (const auto &Case : Cases) {
        Write(Case.Bytes);
        TXmlDocument Document;
        EXPECT_FALSE(Document.Load(FileName())) << Case.Case;
        EXPECT_THAT(Document.LastError().toStdString(), HasSubstr(Case.Reason)) << Case.Case;
        EXPECT_EQ(Document.DocumentElement(), nullptr) << Case.Case;
        EXPECT_FALSE(Document.Save()) << Case.Case;
        EXPECT_EQ(Read(), Case.Bytes) << Case.Case;
    }
}

TEST_F(XmlDocument, OnlyARegularFileIsRead)
{
    Write("<a><b>x</b></a>", "target.xml");
    ASSERT_TRUE(QFile::link(FileName("target.xml"), FileName("link.xml")));
    ASSERT_EQ(mkfifo(QFile::encodeName(FileName("fifo.xml")).constData(), 0600), 0);
    ASSERT_TRUE(QDir(FDir.path()).mkdir("folder.xml"));
    const struct
    {
        const char *Name;
        const char *Reason;
    } Cases[] = {
        {"link.xml", "link.xml is a symbolic link"},
        {"fifo.xml", "fifo.xml is not a regular file"},
        {"folder.xml", "folder.xml is not a regular file"},
    };
    for (const auto &Case : Cases) {
        TXmlDocument Document;
        EXPECT_FALSE(Document.Load(FileName(Case.Name))) << Case.Name;
        EXPECT_THAT(Document.LastError().toStdString(), HasSubstr(Case.Reason));
        EXPECT_THAT(TXmlDocument::AccessProblem(FileName(Case.Name)).toStdString(), HasSubstr(Case.Reason));
    }
    TXmlDocument Missing;
    EXPECT_FALSE(Missing.Load(FileName("missing.xml")));
    EXPECT_THAT(Missing.LastError().toStdString(), HasSubstr("missing.xml cannot be read: No such file"));
    EXPECT_EQ(TXmlDocument::AccessProblem(FileName("missing.xml")), "") << "a missing file is no problem";
    EXPECT_EQ(TXmlDocument::AccessProblem(FileName("target.xml")), "");
}

TEST_F(XmlDocument, SaveReplacesTheFileWholeAndKeepsItsMode)
{
    Write("<a><b>x</b></a>");
    ASSERT_TRUE(QFile::setPermissions(FileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const ino_t Before = Inode(FileName());
    TXmlDocument Document;
    ASSERT_TRUE(Document.Load(FileName()));
    ASSERT_TRUE(Document.Save());
    EXPECT_EQ(Inode(FileName()), Before) << "nothing changed, nothing written";
    ASSERT_TRUE(Document.SetText(Document.FindElement(Document.DocumentElement(), "b"), "y"));
    ASSERT_TRUE(Document.Save()) << Document.LastError().toStdString();
    EXPECT_EQ(Read(), "<a><b>y</b></a>");
    EXPECT_NE(Inode(FileName()), Before) << "replaced by a renamed file";
    EXPECT_EQ(PermissionBits(FileName()), 0600u);
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"settings.xml"});
}

TEST_F(XmlDocument, AFileTheUserCannotReplaceStaysAsItWas)
{
    TTestRoot Root;
    const QString Dir = QDir(Root.Path()).filePath("client");
    ASSERT_TRUE(QDir().mkpath(Dir));
    const QString ReadOnly = QDir(Dir).filePath("readonly.xml");
    QFile File(ReadOnly);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    File.write("<a><b>x</b></a>");
    File.close();
    File.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadOther);
    Root.OpenToOthers();
    QFile::setPermissions(Dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                   QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
    const int Refused = RunUnprivileged([&] {
        TXmlDocument Document;
        if (!Document.Load(ReadOnly) ||
            !Document.SetText(Document.FindElement(Document.DocumentElement(), "b"), "y"))
            return 2;
        const bool Problem = TXmlDocument::AccessProblem(ReadOnly).contains("cannot be replaced");
        return !Document.Save() && Document.LastError().contains("cannot write") && Problem ? 0 : 1;
    });
    EXPECT_EQ(Refused, 0);
    QFile Again(ReadOnly);
    ASSERT_TRUE(Again.open(QIODevice::ReadOnly));
    EXPECT_EQ(Again.readAll(), "<a><b>x</b></a>");
    EXPECT_EQ(QDir(Dir).entryList(QDir::Files | QDir::Hidden), QStringList{"readonly.xml"});
}
