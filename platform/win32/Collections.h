// The class library's list, array and map templates with the operations the
// application code uses. POSITION is an opaque cursor; a null POSITION ends an
// iteration. Index errors are programming faults and stop the program rather
// than touch memory they do not own.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <list>
#include <unordered_map>
#include <utility>
#include <vector>

#include "CString.h"
#include "WinTypes.h"

struct __POSITION {};
using POSITION = __POSITION*;

class CObject {
public:
    virtual ~CObject() = default;
};

namespace collections_detail {
[[noreturn]] inline void IndexFault(const char* what)
{
    std::fprintf(stderr, "fatal: %s index out of range\n", what);
    std::abort();
}

// Takes node n out of the doubly linked chain that runs from head to tail
// (the node's prev and next links), mending its neighbours or the ends.
template <class Node>
void Unlink(Node* n, Node*& head, Node*& tail)
{
    if (n->prev)
        n->prev->next = n->next;
    else
        head = n->next;
    if (n->next)
        n->next->prev = n->prev;
    else
        tail = n->prev;
}
}  // namespace collections_detail

template <class TYPE, class ARG_TYPE = const TYPE&>
class CList : public CObject {
    struct Node : __POSITION {
        TYPE value;
        Node* prev = nullptr;
        Node* next = nullptr;
        explicit Node(ARG_TYPE v) : value(v) {}
    };

public:
    explicit CList(int /*blockSize*/ = 10) {}
    CList(const CList&) = delete;
    CList& operator=(const CList&) = delete;
    ~CList() override { RemoveAll(); }

    int GetCount() const { return count_; }
    int GetSize() const { return count_; }
    bool IsEmpty() const { return count_ == 0; }

    TYPE& GetHead() { return Checked(head_)->value; }
    const TYPE& GetHead() const { return Checked(head_)->value; }
    TYPE& GetTail() { return Checked(tail_)->value; }
    const TYPE& GetTail() const { return Checked(tail_)->value; }

    POSITION AddHead(ARG_TYPE v) { return InsertBefore(head_, v); }
    POSITION AddTail(ARG_TYPE v) { return InsertAfter(tail_, v); }
    void AddTail(const CList* other)
    {
        for (Node* n = other->head_; n; n = n->next) AddTail(n->value);
    }
    TYPE RemoveHead()
    {
        TYPE v = GetHead();
        Unlink(head_);
        return v;
    }
    TYPE RemoveTail()
    {
        TYPE v = GetTail();
        Unlink(tail_);
        return v;
    }
    void RemoveAll()
    {
        while (head_) Unlink(head_);
    }

    POSITION GetHeadPosition() const { return head_; }
    POSITION GetTailPosition() const { return tail_; }
    TYPE& GetNext(POSITION& pos)
    {
        Node* n = Checked(pos);
        pos = n->next;
        return n->value;
    }
    const TYPE& GetNext(POSITION& pos) const
    {
        Node* n = Checked(pos);
        pos = n->next;
        return n->value;
    }
    TYPE& GetPrev(POSITION& pos)
    {
        Node* n = Checked(pos);
        pos = n->prev;
        return n->value;
    }
    TYPE& GetAt(POSITION pos) { return Checked(pos)->value; }
    const TYPE& GetAt(POSITION pos) const { return Checked(pos)->value; }
    void SetAt(POSITION pos, ARG_TYPE v) { Checked(pos)->value = v; }
    void RemoveAt(POSITION pos) { Unlink(Checked(pos)); }

    POSITION InsertBefore(POSITION pos, ARG_TYPE v)
    {
        Node* at = static_cast<Node*>(pos);
        Node* n = new Node(v);
        if (!at) {  // empty list or insert at head
            n->next = head_;
            if (head_) head_->prev = n;
            head_ = n;
            if (!tail_) tail_ = n;
        } else {
            n->prev = at->prev;
            n->next = at;
            if (at->prev)
                at->prev->next = n;
            else
                head_ = n;
            at->prev = n;
        }
        ++count_;
        return n;
    }
    POSITION InsertAfter(POSITION pos, ARG_TYPE v)
    {
        Node* at = static_cast<Node*>(pos);
        if (!at) return InsertBefore(head_, v);
        Node* n = new Node(v);
        n->prev = at;
        n->next = at->next;
        if (at->next)
            at->next->prev = n;
        else
            tail_ = n;
        at->next = n;
        ++count_;
        return n;
    }
    POSITION Find(ARG_TYPE v, POSITION startAfter = nullptr) const
    {
        Node* n = startAfter ? static_cast<Node*>(startAfter)->next : head_;
        for (; n; n = n->next)
            if (n->value == v) return n;
        return nullptr;
    }
    POSITION FindIndex(int index) const
    {
        if (index < 0 || index >= count_) return nullptr;
        Node* n = head_;
        while (index--) n = n->next;
        return n;
    }

private:
    static Node* Checked(POSITION p)
    {
        if (!p) collections_detail::IndexFault("list");
        return static_cast<Node*>(p);
    }
    void Unlink(Node* n)
    {
        collections_detail::Unlink(n, head_, tail_);
        delete n;
        --count_;
    }

    Node* head_ = nullptr;
    Node* tail_ = nullptr;
    int count_ = 0;
};

template <class TYPE, class ARG_TYPE = const TYPE&>
class CArray : public CObject {
public:
    CArray() = default;
    CArray(const CArray&) = delete;
    CArray& operator=(const CArray&) = delete;

    int GetSize() const { return static_cast<int>(v_.size()); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return v_.empty(); }
    void SetSize(int n, int /*growBy*/ = -1) { v_.resize(n < 0 ? 0 : static_cast<size_t>(n)); }

    TYPE& ElementAt(int i) { return v_[Check(i)]; }
    const TYPE& GetAt(int i) const { return v_[Check(i)]; }
    void SetAt(int i, ARG_TYPE v) { v_[Check(i)] = v; }
    TYPE& operator[](int i) { return v_[Check(i)]; }
    const TYPE& operator[](int i) const { return v_[Check(i)]; }
    TYPE* GetData() { return v_.data(); }
    const TYPE* GetData() const { return v_.data(); }

    int Add(ARG_TYPE v)
    {
        v_.push_back(v);
        return GetSize() - 1;
    }
    void SetAtGrow(int i, ARG_TYPE v)
    {
        if (i < 0) collections_detail::IndexFault("array");
        if (i >= GetSize()) v_.resize(static_cast<size_t>(i) + 1);
        v_[static_cast<size_t>(i)] = v;
    }
    int Append(const CArray& other)
    {
        int at = GetSize();
        v_.insert(v_.end(), other.v_.begin(), other.v_.end());
        return at;
    }
    void Copy(const CArray& other) { v_ = other.v_; }
    void InsertAt(int i, ARG_TYPE v, int count = 1)
    {
        if (i < 0 || count < 0) collections_detail::IndexFault("array");
        if (i > GetSize()) v_.resize(static_cast<size_t>(i));
        v_.insert(v_.begin() + i, static_cast<size_t>(count), v);
    }
    void RemoveAt(int i, int count = 1)
    {
        if (i < 0 || count < 0 || i + count > GetSize()) collections_detail::IndexFault("array");
        v_.erase(v_.begin() + i, v_.begin() + i + count);
    }
    void RemoveAll() { v_.clear(); }

    std::vector<TYPE>& vec() { return v_; }
    const std::vector<TYPE>& vec() const { return v_; }

private:
    size_t Check(int i) const
    {
        if (i < 0 || i >= GetSize()) collections_detail::IndexFault("array");
        return static_cast<size_t>(i);
    }
    std::vector<TYPE> v_;
};

// Map with POSITION iteration in insertion order.
template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE>
class CMap : public CObject {
    struct Node : __POSITION {
        KEY key;
        VALUE value;
        Node* prev = nullptr;
        Node* next = nullptr;
    };

public:
    explicit CMap(int /*blockSize*/ = 10) {}
    CMap(const CMap&) = delete;
    CMap& operator=(const CMap&) = delete;
    ~CMap() override { RemoveAll(); }

    void InitHashTable(UINT size, bool = true) { index_.reserve(size); }
    int GetCount() const { return static_cast<int>(index_.size()); }
    int GetSize() const { return GetCount(); }
    bool IsEmpty() const { return index_.empty(); }

    bool Lookup(ARG_KEY key, VALUE& out) const
    {
        auto it = index_.find(KEY(key));
        if (it == index_.end()) return false;
        out = it->second->value;
        return true;
    }
    VALUE& operator[](ARG_KEY key)
    {
        KEY k(key);
        auto it = index_.find(k);
        if (it != index_.end()) return it->second->value;
        Node* n = new Node{};
        n->key = k;
        n->prev = tail_;
        if (tail_)
            tail_->next = n;
        else
            head_ = n;
        tail_ = n;
        index_.emplace(k, n);
        return n->value;
    }
    void SetAt(ARG_KEY key, ARG_VALUE value) { (*this)[key] = value; }
    bool RemoveKey(ARG_KEY key)
    {
        auto it = index_.find(KEY(key));
        if (it == index_.end()) return false;
        Node* n = it->second;
        index_.erase(it);
        collections_detail::Unlink(n, head_, tail_);
        delete n;
        return true;
    }
    void RemoveAll()
    {
        for (Node* n = head_; n;) {
            Node* next = n->next;
            delete n;
            n = next;
        }
        head_ = tail_ = nullptr;
        index_.clear();
    }
    POSITION GetStartPosition() const { return head_; }
    void GetNextAssoc(POSITION& pos, KEY& key, VALUE& value) const
    {
        if (!pos) collections_detail::IndexFault("map");
        Node* n = static_cast<Node*>(pos);
        key = n->key;
        value = n->value;
        pos = n->next;
    }

private:
    std::unordered_map<KEY, Node*> index_;
    Node* head_ = nullptr;
    Node* tail_ = nullptr;
};

using CStringArray = CArray<CString, const CString&>;
using CStringList = CList<CString, const CString&>;
using CByteArray = CArray<BYTE, BYTE>;
using CWordArray = CArray<WORD, WORD>;
using CDWordArray = CArray<DWORD, DWORD>;
using CUIntArray = CArray<UINT, UINT>;
using CPtrArray = CArray<void*, void*>;
using CPtrList = CList<void*, void*>;
using CMapStringToPtr = CMap<CString, const wchar_t*, void*, void*>;
using CMapStringToString = CMap<CString, const wchar_t*, CString, const wchar_t*>;
using CMapPtrToPtr = CMap<void*, void*, void*, void*>;
