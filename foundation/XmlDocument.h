// A small, forgiving XML reader for skin descriptions and other XML texts. It
// builds a tree of elements (with attributes and children), text nodes and
// processing instructions, one of which ("Script") keeps its raw text. The
// encoding comes from a byte-order mark, a utf-8 declaration or a code page
// the caller sets. The first error stops the parse and is kept with a code,
// a Korean message, a detail text and the line and column where it stopped.
#pragma once

#include <cstddef>

#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"
#include "platform/win32/WinTypes.h"

class CXmlNode {
public:
    enum Kind { kElement = 0, kText = 1, kInstruction = 2 };

    explicit CXmlNode(int kind, int attributeMapSize = -1);
    ~CXmlNode();
    CXmlNode(const CXmlNode&) = delete;
    CXmlNode& operator=(const CXmlNode&) = delete;

    // Children in document order; both answer null for a node that is not an
    // element.
    POSITION GetFirstChildPosition() const;
    CXmlNode* GetNextChild(POSITION& pos) const;

    // The element or instruction name; empty for a text node.
    CString GetName() const;
    // True and the value when the element has the attribute (exact name);
    // false with the out value untouched otherwise.
    bool GetAttribute(const wchar_t* name, CString& value) const;
    // As GetAttribute, the value read as a decimal integer the way the C
    // run-time's _wtoi reads it (text that is no number gives 0 and true).
    bool GetAttributeInt(const wchar_t* name, int& value) const;
    // As GetAttribute, the value read as an unsigned number ("%u"); true
    // whenever the attribute exists.
    bool GetAttributeUInt(const wchar_t* name, UINT& value) const;
    CString GetAttributeString(const wchar_t* name, const wchar_t* defaultValue) const;

    CXmlNode* FindChildElement(const wchar_t* name, bool ignoreCase) const;
    CXmlNode* FindChildInstruction(const wchar_t* name, bool ignoreCase) const;
    // The raw text of a "Script" instruction.
    CString GetContent() const { return m_sContent; }

    int m_nKind;
    // Element or instruction name; for a text node, its text.
    CString m_sName;
    // Attribute name -> owned CString*.
    CMapStringToPtr m_mapAttributes;
    // Owned children.
    CList<CXmlNode*> m_listChildren;
    CString m_sContent;
    // Where the node began, counted from 0 as the parser counts.
    int m_nLine = 0;
    int m_nColumn = 0;

private:
    CXmlNode* FindChild(int kind, const wchar_t* name, bool ignoreCase) const;
};

class CXmlDocument {
public:
    // Error codes. kErrTooDeep guards the stack against hostile nesting.
    enum {
        kErrNone = 0,
        kErrNoTagStart = 1,
        kErrBadToken = 2,
        kErrTagMismatch = 3,
        kErrEndTagNotClosed = 4,
        kErrBadInstructionName = 5,
        kErrBadInstructionToken = 6,
        kErrInstructionNotClosed = 7,
        kErrBadTagName = 8,
        kErrBadAttribute = 9,
        kErrBadAttributeValue = 10,
        kErrDuplicateAttribute = 11,
        kErrTagNotClosed = 12,
        kErrUnexpectedEnd = 13,
        kErrCommentEnd = 14,
        kErrCommentNotClosedByGt = 15,
        kErrCommentUnclosed = 16,
        kErrTooDeep = 17,
    };
    // Deepest element nesting the parser follows.
    static constexpr int kMaxDepth = 256;
    // Largest file LoadFile reads.
    static constexpr size_t kMaxFileBytes = 64u * 1024 * 1024;

    CXmlDocument();
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    bool LoadFile(const wchar_t* path);
    bool LoadFromMemory(const void* bytes, size_t length);
    // With takeOwnership the document frees the bytes (allocated with
    // malloc) once they are converted; otherwise it works on a copy.
    bool Parse(BYTE* bytes, size_t length, bool takeOwnership);
    void Clear();

    CString GetErrorText() const;
    bool GetErrorPosition(int& line, int& column) const;
    int GetErrorCode() const { return m_nErrorCode; }

    // Code page of byte texts without a mark or utf-8 declaration; 0 = none
    // (the fallback then applies).
    int m_nCodePage = 0;
    // Hash-table size for the attribute maps of new nodes; -1 = default.
    int m_nAttributeMapSize = -1;
    // The instruction before the root element (made with the element kind,
    // so its attributes can be read), and the root element. Owned.
    CXmlNode* m_pDeclaration = nullptr;
    CXmlNode* m_pRoot = nullptr;

private:
    enum class Tok { End, Lt, Gt, Slash, Eq, Question, DashDash, Word };
    struct Mark {
        size_t pos;
        int line;
        int column;
    };

    bool ParseText();
    bool ReadInstruction(CXmlNode* node);
    bool ReadElement(CXmlNode* node, int depth);
    bool ReadEndTag(CXmlNode* node);

    // Reads the next token; in a tag a '/' ends a word. Sets m_nTokStart to
    // where the token began. End of text sets error 13.
    Tok NextToken(bool inTag, CString* word = nullptr);
    bool SkipBlanks();
    bool SkipComment();
    bool SkipDeclaration();
    void Advance();
    bool AtEnd() const { return m_nPos >= m_sText.size(); }
    Mark Here() const { return {m_nPos, m_nLine, m_nColumn}; }
    void GoTo(const Mark& m);
    bool Fail(int code, const CString& detail = CString());
    CXmlNode* NewNode(int kind) const;

    std::wstring m_sText;
    size_t m_nPos = 0;
    int m_nLine = 0;
    int m_nColumn = 0;
    bool m_bEnd = false;
    Mark m_tokStart{0, 0, 0};
    // 0 = the ANSI code page; an "EUC-KR" declaration sets 949 for later loads.
    int m_nFallbackCodePage = 0;
    int m_nErrorCode = 0;
    CString m_sErrorDetail;
};
