#include "modules/pictures/PictureQueue.h"

PictureQueue::PictureQueue(size_t pictures) : m_limit(pictures > 0 ? pictures : 1) {}

PictureQueue::~PictureQueue() { DropAll(); }

void PictureQueue::DropAll()
{
    for (PictureQueueItem& item : m_items) av_frame_free(&item.frame);
    m_items.clear();
    m_pictures = 0;
}

bool PictureQueue::Push(PictureQueueItem item)
{
    std::unique_lock<std::mutex> g(m_lock);
    bool picture = item.kind == PictureQueueItem::Kind::Picture;
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

bool PictureQueue::Pop(PictureQueueItem* item)
{
    std::unique_lock<std::mutex> g(m_lock);
    m_changed.wait(g, [&] { return !m_open || !m_items.empty(); });
    if (!m_open) return false;
    *item = m_items.front();
    m_items.pop_front();
    if (item->kind == PictureQueueItem::Kind::Picture) --m_pictures;
    m_busy = true;
    m_changed.notify_all();
    return true;
}

void PictureQueue::Done()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_busy = false;
    m_changed.notify_all();
}

void PictureQueue::BeginFlush()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_flushing = true;
    DropAll();
    m_changed.notify_all();
}

void PictureQueue::EndFlush()
{
    std::unique_lock<std::mutex> g(m_lock);
    m_changed.wait(g, [&] { return !m_open || !m_busy; });
    DropAll();
    m_flushing = false;
    if (m_open) m_items.push_back(PictureQueueItem{PictureQueueItem::Kind::Reset});
    m_changed.notify_all();
}

bool PictureQueue::Flushing() const
{
    std::lock_guard<std::mutex> g(m_lock);
    return m_flushing;
}

void PictureQueue::Open()
{
    std::lock_guard<std::mutex> g(m_lock);
    DropAll();
    m_open = true;
    m_flushing = false;
    m_busy = false;
    m_changed.notify_all();
}

void PictureQueue::Close()
{
    std::lock_guard<std::mutex> g(m_lock);
    m_open = false;
    DropAll();
    m_changed.notify_all();
}
