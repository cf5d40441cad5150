#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <unordered_set>
#include <vector>
#include <xercesc/dom/DOMElement.hpp>

class TXmlSourceParser;
class TXmlEncoding;

// A client's XML settings file changed in place through a Xerces DOM: Load parses it, the find
// functions walk the DOM, SetText, AppendText and AppendElement change it, Save writes it back.
// Only what was changed is written anew, in the file's own encoding: every other byte
// (declaration, comments, attributes, spacing, line ends, character references) is copied as it
// was. Before the result replaces the file it is parsed again and must give the edited DOM.
//
// Refused, with the reason in LastError: a file that is no regular file (a link, a pipe, a
// folder), larger than MaxFileSize, not well-formed, with a document type declaration, nested
// deeper than MaxDepth, or in an encoding whose markup is not ASCII. Change the DOM only through
// the functions below; Save notices any other change and refuses to write.
class TXmlDocument
{
public:
    // Far above any settings file; a DOM of this size already takes hundreds of megabytes.
    static constexpr qint64 MaxFileSize = 4 * 1024 * 1024;
    static constexpr int MaxDepth = 256;

    TXmlDocument();
    ~TXmlDocument();
    TXmlDocument(const TXmlDocument &) = delete;
    TXmlDocument &operator=(const TXmlDocument &) = delete;

    // Reads and parses FileName.
    bool Load(const QString &fileName);
    // Parses Bytes as the content of FileName, which Save then writes.
    bool Parse(const QByteArray &bytes, const QString &fileName);
    // Why FileName could not be loaded and replaced, or nothing; a missing file is no problem.
    static QString AccessProblem(const QString &fileName);

    const QString &FileName() const { return FFileName; }
    // Null until a document is loaded.
    xercesc::DOMElement *DocumentElement() const;
    // The first element named Name anywhere below Parent, in document order; null when none.
    static xercesc::DOMElement *FindElement(const xercesc::DOMNode *parent, const QString &name);
    // Follows Names down from From (the document element when null), each the first element
    // of its name below the one before; null, with the missing step in LastError, when one is
    // not there.
    xercesc::DOMElement *FindPath(const QStringList &names, xercesc::DOMElement *from = nullptr);

    // Replaces the value of Element's first child, which must be a text node.
    bool SetText(xercesc::DOMElement *element, const QString &text);
    // Gives Element an empty text node as its last child.
    void AppendText(xercesc::DOMElement *element);
    // A new element Name, without children, as the last child of Parent.
    xercesc::DOMElement *AppendElement(xercesc::DOMElement *parent, const QString &name);

    // The file's bytes with the changes written in.
    bool Serialize(QByteArray *bytes);
    // Replaces the file by the serialized document (a temporary file renamed over it); writes
    // nothing when the bytes are unchanged.
    bool Save();

    const QString &LastError() const { return FLastError; }

private:
    struct TEdit
    {
        qint64 Begin;
        qint64 End;
        QByteArray Bytes;
    };

    bool Fail(const QString &reason);
    void NoteGrowth(const xercesc::DOMElement *element);
    bool TextEdit(const xercesc::DOMNode *text, TEdit *edit, QString *error) const;
    bool GrowthEdit(const xercesc::DOMElement *parent, TEdit *edit, QString *error) const;
    bool EncodeNew(const xercesc::DOMNode *node, QByteArray *out, QString *error) const;
    bool ReadsBackAsEdited(const QByteArray &bytes, QString *error) const;

    QString FFileName;
    // As parsed, and as the file holds it now.
    QByteArray FBytes;
    QByteArray FWritten;
    std::unique_ptr<TXmlSourceParser> FParser;
    std::unique_ptr<TXmlEncoding> FEncoding;
    // The original text nodes given a new value and the original elements given new children,
    // in the order of the change.
    std::vector<const xercesc::DOMNode *> FChangedTexts;
    std::vector<const xercesc::DOMElement *> FGrownElements;
    std::unordered_set<const xercesc::DOMNode *> FNewNodes;
    QString FLastError;
};
