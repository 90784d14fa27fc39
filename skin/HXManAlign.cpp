#include "skin/HXManAlign.h"

#include <algorithm>

#include "skin/HXConBase.h"

namespace {

// Cell edges are kept within a range where widths and sums cannot overflow.
int Edge(long long v) { return static_cast<int>(std::clamp<long long>(v, -(1LL << 30), 1LL << 30)); }

// 0..limit, where a negative limit (a node smaller than its gaps) counts as 0.
long long Within(long long v, long long limit) { return std::clamp<long long>(v, 0, std::max<long long>(limit, 0)); }

RECT Intersect(long long l1, long long t1, long long r1, long long b1, const RECT& r)
{
    long long l = std::max<long long>(l1, r.left), t = std::max<long long>(t1, r.top);
    long long rr = std::min<long long>(r1, r.right), b = std::min<long long>(b1, r.bottom);
    if (rr <= l || b <= t) return RECT{};
    return RECT{Edge(l), Edge(t), Edge(rr), Edge(b)};
}

}  // namespace

HXManAlign::HXManAlign() = default;

HXManAlign::~HXManAlign() = default;

void HXManAlign::SetRoot(HXConBase* control)
{
    m_bRoot = 1;
    m_pControl = control;
}

HXManAlign* HXManAlign::AddChild(HXConBase* control, const SAlignInfo& rule, int repaint)
{
    auto node = std::make_unique<HXManAlign>();
    node->m_pControl = control;
    node->m_info = rule;
    node->m_pParent = this;
    node->m_bRepaint = repaint;
    m_children.push_back(std::move(node));
    return m_children.back().get();
}

HXManAlign* HXManAlign::FindNode(const HXConBase* control)
{
    for (auto& child : m_children) {
        if (child->m_pControl == control) return child.get();
        if (HXManAlign* found = child->FindNode(control)) return found;
    }
    return nullptr;
}

HXManAlign* HXManAlign::Root()
{
    HXManAlign* node = this;
    while (node->m_pParent) node = node->m_pParent;
    return node;
}

void HXManAlign::Layout(HXManAlign* node, int width, int height)
{
    if (!node || node->m_children.empty()) return;
    long long rl = 0, rt = 0, rr = width, rb = height;
    if (node->m_bRoot) node->m_rect = RECT{0, 0, width, height};
    for (auto& owned : node->m_children) {
        HXManAlign* child = owned.get();
        const SAlignInfo& a = child->m_info;
        const long long W = rr - rl, H = rb - rt;
        const bool shown = !child->m_pControl || child->m_pControl->IsShown();
        auto strip = [&](int value, long long extent) -> long long {
            if (!shown) return 0;
            if (a.percent) return extent * value / 100;
            return Within(value, extent);
        };
        RECT cell{};
        switch (a.type) {
        case ALIGN_LEFT: {
            const long long w = strip(a.width, W);
            cell = RECT{Edge(rl), Edge(rt), Edge(rl + w), Edge(rb)};
            rl += w;
            break;
        }
        case ALIGN_TOP: {
            const long long h = strip(a.height, H);
            cell = RECT{Edge(rl), Edge(rt), Edge(rr), Edge(rt + h)};
            rt += h;
            break;
        }
        case ALIGN_RIGHT: {
            const long long w = strip(a.width, W);
            cell = RECT{Edge(rr - w), Edge(rt), Edge(rr), Edge(rb)};
            rr -= w;
            break;
        }
        case ALIGN_BOTTOM: {
            const long long h = strip(a.height, H);
            cell = RECT{Edge(rl), Edge(rb - h), Edge(rr), Edge(rb)};
            rb -= h;
            break;
        }
        case ALIGN_CLIENT: cell = shown ? RECT{Edge(rl), Edge(rt), Edge(rr), Edge(rb)} : RECT{}; break;
        case ALIGN_CENTER:
            if (shown) {
                const RECT remaining{Edge(rl), Edge(rt), Edge(rr), Edge(rb)};
                const long long left = rl + (W - a.width) / 2, top = rt + (H - a.height) / 2;
                cell = Intersect(left, top, left + a.width, top + a.height, remaining);
            }
            break;
        case ALIGN_LEFTTOP:
        case ALIGN_RIGHTTOP:
        case ALIGN_RIGHTBOTTOM:
        case ALIGN_LEFTBOTTOM: {
            const long long w = shown ? Within(a.width, W) : 0, h = shown ? Within(a.height, H) : 0;
            const long long x = (a.type == ALIGN_LEFTTOP || a.type == ALIGN_LEFTBOTTOM) ? rl : rr - w;
            const long long y = (a.type == ALIGN_LEFTTOP || a.type == ALIGN_RIGHTTOP) ? rt : rb - h;
            cell = RECT{Edge(x), Edge(y), Edge(x + w), Edge(y + h)};
            break;
        }
        case ALIGN_NONE: {
            const RECT remaining{Edge(rl), Edge(rt), Edge(rr), Edge(rb)};
            if (shown)
                cell = Intersect(rl + a.left, rt + a.top, rl + a.right, rt + a.bottom, remaining);
            else
                cell = Intersect(rl, rt, rl, rt, remaining);
            break;
        }
        default:  // popup, nomove and unknown rules keep their place
            continue;
        }
        SetCell(child, cell.left, cell.top, cell.right, cell.bottom);
    }
}

void HXManAlign::SetCell(HXManAlign* node, int left, int top, int right, int bottom)
{
    if (!node) return;
    const SAlignInfo& a = node->m_info;
    node->m_rect =
        RECT{Edge(static_cast<long long>(left) + a.gapLeft), Edge(static_cast<long long>(top) + a.gapTop),
             Edge(static_cast<long long>(right) - a.gapRight), Edge(static_cast<long long>(bottom) - a.gapBottom)};
    const long long width = static_cast<long long>(node->m_rect.right) - node->m_rect.left;
    const long long height = static_cast<long long>(node->m_rect.bottom) - node->m_rect.top;
    if (node->m_pControl) {
        long long x = node->m_rect.left, y = node->m_rect.top;
        for (HXManAlign* up = node->m_pParent; up; up = up->m_pParent) {
            x += up->m_rect.left;
            y += up->m_rect.top;
        }
        node->m_pControl->SetRect(Edge(x), Edge(y), Edge(width), Edge(height), node->Root()->m_bRepaint ? 1 : 0);
    }
    Layout(node, Edge(width), Edge(height));
}

void HXManAlign::OnWindowSize(UINT sizeType, int width, int height)
{
    if (sizeType != 0 && sizeType != 2) return;
    Layout(this, width, height);
}
