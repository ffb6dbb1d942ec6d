#include "app/CResizeCtrl.h"

#include <cstdlib>

bool ApplyResizePart(int part, int delta, int& value, int& remainder, bool isSize) {
    if (part <= 0) return false;
    int v = part * delta;
    // When the change is as large as the carried fraction, the fraction is nudged by one
    // hundredth first; the dialogs' layouts were measured with this rule (ten 1-pixel steps of a
    // part-50 edge leave a remainder of 1, not 0).
    if (std::abs(v) == std::abs(remainder)) ++remainder;
    int t = remainder + v;
    if (t == 0) return false;
    value += t / CResizeCtrl::MaxPart;
    remainder = t % CResizeCtrl::MaxPart;
    if (isSize && value < 0) {
        remainder += CResizeCtrl::MaxPart * value;
        value = 0;
    }
    return true;
}

void CResizeCtrl::Create(ResizeTarget& target) {
    Enable(false);
    target_ = &target;
    items_.clear();
    minimum_ = {};
    maximum_ = {};
    Enable(true);
}

bool CResizeCtrl::Enable(bool enable) {
    if (enable == enabled_ || target_ == nullptr) return false;
    enabled_ = enable;
    if (enable) {
        lastWidth_ = target_->ClientWidth();
        lastHeight_ = target_->ClientHeight();
    }
    return true;
}

bool CResizeCtrl::Add(int control, int leftPart, int topPart, int widthPart, int heightPart) {
    for (int part : {leftPart, topPart, widthPart, heightPart}) {
        if (part < 0 || part > MaxPart) return false;
    }
    if (target_ == nullptr || !target_->HasControl(control)) return false;
    CRPItemState item;
    item.control = control;
    item.leftPart = leftPart;
    item.topPart = topPart;
    item.widthPart = widthPart;
    item.heightPart = heightPart;
    items_.push_back(item);
    return true;
}

namespace {
TrackingSize KeepProposed(TrackingSize& kept, TrackingSize proposed) {
    if (kept.width == -1) kept.width = proposed.width;
    if (kept.height == -1) kept.height = proposed.height;
    return kept;
}
}  // namespace

TrackingSize CResizeCtrl::MinimumTrackingSize(TrackingSize proposed) {
    return KeepProposed(minimum_, proposed);
}

TrackingSize CResizeCtrl::MaximumTrackingSize(TrackingSize proposed) {
    return KeepProposed(maximum_, proposed);
}

void CResizeCtrl::OnSize(int clientWidth, int clientHeight) {
    if (!enabled_ || inLayout_ || items_.empty()) return;
    int dx = clientWidth - lastWidth_;
    int dy = clientHeight - lastHeight_;
    if (dx == 0 && dy == 0) return;
    // Moving controls can make the toolkit report another size change from inside this one.
    inLayout_ = true;
    std::vector<ControlMove> moves;
    for (CRPItemState& item : items_) {
        ControlRect r = target_->GetControlRect(item.control);
        bool changed = ApplyResizePart(item.leftPart, dx, r.x, item.leftRemainder, false);
        changed |= ApplyResizePart(item.widthPart, dx, r.width, item.widthRemainder, true);
        changed |= ApplyResizePart(item.topPart, dy, r.y, item.topRemainder, false);
        changed |= ApplyResizePart(item.heightPart, dy, r.height, item.heightRemainder, true);
        if (changed) moves.push_back({item.control, r});
    }
    if (!moves.empty()) target_->MoveControls(moves);
    lastWidth_ = clientWidth;
    lastHeight_ = clientHeight;
    inLayout_ = false;
}
