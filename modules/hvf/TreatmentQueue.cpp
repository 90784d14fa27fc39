#include "modules/hvf/TreatmentQueue.h"

TreatmentQueue::TreatmentQueue(size_t pictures) : m_limit(pictures > 0 ? pictures : 1) {}

TreatmentQueue::~TreatmentQueue() { DropAll(); }

void TreatmentQueue::DropAll()
{
    for (TreatmentItem& item : m_items) av_frame_free(&item.frame);
    m_items.clear();
    m_pictures = 0;
}

bool TreatmentQueue::Push(TreatmentItem item)
{
    std::unique_lock<std::mutex> g(m_lock);
    bool picture = item.kind == TreatmentItem::Kind::Picture;
    if (picture) m_changed.wait(g, [&] { return !m_open || m_flushing || m_pictures < m_limit; });
    if (!m_open || (picture && m_flushing)) {
        av_frame_free(&item.frame);
        return false;
    }
    if (picture) ++m_pictures;
    m_items.push_back(item);
    m_changed.notify_all();
    return true;
}

bool TreatmentQueue::Pop(TreatmentItem* item)
{
    std::unique_lock<std::mutex> g(m_lock);
    m_changed.wait(g, [&] { return !m_open || !m_items.empty(); });
    if (!m_open) return false;
    *item = m_items.front();
    m_items.pop_front();
    if (item->kind == TreatmentItem::Kind::Picture) --m_pictures;
    m_busy = true;
    m_changed.notify_all();
    return true;
}

void TreatmentQueue::Done()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_busy = false;
    m_changed.notify_all();
}

void TreatmentQueue::BeginFlush()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_flushing = true;
    DropAll();
    m_changed.notify_all();
}

void TreatmentQueue::EndFlush()
{
    std::unique_lock<std::mutex> g(m_lock);
    m_changed.wait(g, [&] { return !m_open || !m_busy; });
    DropAll();
    m_flushing = false;
    if (m_open) m_items.push_back(TreatmentItem{TreatmentItem::Kind::Reset});
    m_changed.notify_all();
}

bool TreatmentQueue::Flushing() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_flushing;
}

void TreatmentQueue::Open()
{
    std::lock_guard<std::mutex> g(m_lock);
    DropAll();
    m_open = true;
    m_flushing = false;
    m_busy = false;
    m_changed.notify_all();
}

void TreatmentQueue::Close()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_open = false;
    DropAll();
    m_changed.notify_all();
}
