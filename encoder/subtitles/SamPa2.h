// The SAMI parser: cuts the file into tokens, reads the language classes of
// the style block, builds one timed entry list per class and, with two or
// more classes, a combined list with every class's text stacked.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"
#include "platform/win32/WinTypes.h"

class CSamPa2 {
public:
    struct SSubText {
        int nStart = 0;  // ms
        CString text;    // inline-code text
    };
    struct SSubtitle {
        CString className;     // as written in the style block
        CString languageName;  // upper-cased
        LCID lcid = 0;
        CList<SSubText*> entries{10};  // sorted by start
        ~SSubtitle();
    };

    CSamPa2();
    ~CSamPa2();
    CSamPa2(const CSamPa2&) = delete;
    CSamPa2& operator=(const CSamPa2&) = delete;

    // Reads the file and builds every list; false only when the file cannot
    // be read.
    bool Parse(const CString& path, int defaultColor);

    void SetPreferredCodePage(int cp) { m_preferredCodePage = cp; }
    void SetCodePageSetting(int cp) { m_codePageSetting = cp; }
    void SetLineJoinMode(int mode) { m_lineJoinMode = mode; }
    int CodePageUsed() const { return m_codePageUsed; }

    int GetClassCount() const { return m_classes.GetSize(); }
    SSubtitle* GetClass(int i) const { return i >= 0 && i < m_classes.GetSize() ? m_classes[i] : nullptr; }
    SSubtitle* GetCombined() const { return m_combined; }
    // The first class with that LCID, or null.
    SSubtitle* FindClassByLcid(LCID lcid) const;
    bool HasAnyEntry() const;

    // The LCID a class name stands for.
    static LCID LcidFromClassName(const CString& name);
    // Tag kinds.
    enum TagKind {
        kTagUnknown = 0,
        kTagSync = 1,
        kTagParagraph = 2,
        kTagBreak = 3,
        kTagFont = 5,
        kTagFontEnd = 6,
        kTagBodyEnd = 24,
        kTagBold = 25,
        kTagBoldEnd = 26,
        kTagItalic = 27,
        kTagItalicEnd = 28,
        kTagUnderline = 31,
        kTagUnderlineEnd = 32,
    };
    struct STag {
        int kind = -1;  // -1: not recognised
        int time = 0;
        bool hasClass = false;
        CString className;
        int color = -1;
    };
    static STag RecognizeTag(const CString& token);
    // A colour text of a font tag: a table name or six hex digits; false
    // when neither.
    static bool ParseColor(CString text, COLORREF* color);
    // The replacements made on a finished entry's text.
    static CString DecodeEntities(const CString& text);

    const CStringList& Tokens() const { return m_tokens; }

private:
    void Clear();
    bool ReadText(const CString& path);
    void Tokenize();
    void ReadStyleBlock();
    void BuildEntries();
    void AddEntry(bool hasClass, const CString& className, int start, const CString& text);
    SSubtitle* AddClass(const wchar_t* name, const wchar_t* language);
    SSubtitle* FindClass(const CString& name) const;
    void SortClass(SSubtitle* s);
    void DropEmptyClasses();
    void BuildCombined();

    CString m_text;
    int m_preferredCodePage = 949;
    int m_codePageSetting = -1;
    int m_codePageUsed = 0;
    int m_lineJoinMode = 0;
    int m_defaultColor = -1;
    CStringList m_tokens{10};
    CArray<SSubtitle*> m_classes;
    SSubtitle* m_combined = nullptr;
};
