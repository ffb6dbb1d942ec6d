#pragma once
// Proportional layout of a resizable dialog's controls, free of any toolkit: each registered
// control states in hundredths how far its left edge, top edge, width and height follow a change
// of the dialog's client size. Fractions of a pixel are carried from one change to the next, so
// many small changes add up to the same layout as one large change.

#include <vector>

struct ControlRect {
    int x = 0;  // client coordinates of the dialog
    int y = 0;
    int width = 0;
    int height = 0;
    bool operator==(const ControlRect&) const = default;
};

struct ControlMove {
    int control = 0;
    ControlRect rect;
};

// The dialog window as the resizer sees it; the toolkit side implements it.
class ResizeTarget {
  public:
    virtual ~ResizeTarget() = default;
    virtual bool HasControl(int control) const = 0;
    virtual ControlRect GetControlRect(int control) const = 0;
    // Applies all moves of one layout together, keeping the controls' stacking order.
    virtual void MoveControls(const std::vector<ControlMove>& moves) = 0;
    virtual int ClientWidth() const = 0;
    virtual int ClientHeight() const = 0;
};

// One registered control and the fractions carried for it, in 1/MaxPart pixels.
struct CRPItemState {
    int control = 0;
    int leftRemainder = 0;
    int topRemainder = 0;
    int widthRemainder = 0;
    int heightRemainder = 0;
    int leftPart = 0;
    int topPart = 0;
    int widthPart = 0;
    int heightPart = 0;
};
using CResizeArray = std::vector<CRPItemState>;

struct TrackingSize {
    int width = -1;  // -1: the system's value is used
    int height = -1;
};

class CResizeCtrl {
  public:
    static constexpr int MaxPart = 100;

    virtual ~CResizeCtrl() = default;

    // Starts afresh for `target` (any earlier registrations are dropped) and enables the resizer.
    void Create(ResizeTarget& target);
    // False when the resizer already is in the requested state. Enabling records the client size
    // from which later changes are measured.
    bool Enable(bool enable);

    // False, and nothing registered, when a part lies outside 0..MaxPart or the control does not
    // exist.
    bool Add(int control, int leftPart, int topPart, int widthPart, int heightPart);

    // The toolkit draws the grip; the resizer only remembers whether it is wanted.
    void SetGripEnabled(bool enabled) { gripEnabled_ = enabled; }
    bool IsGripEnabled() const { return gripEnabled_; }

    // In pixels of the whole window.
    void SetMinimumTrackingSize(int width, int height) { minimum_ = {width, height}; }
    // Answers a size query: each value still unset takes the one proposed by the system and
    // keeps it from then on.
    TrackingSize MinimumTrackingSize(TrackingSize proposed);
    TrackingSize MaximumTrackingSize(TrackingSize proposed);

    // Lays the controls out for a new client size (the toolkit's resize notification).
    void OnSize(int clientWidth, int clientHeight);

    const CResizeArray& Items() const { return items_; }

  private:
    ResizeTarget* target_ = nullptr;
    CResizeArray items_;
    int lastWidth_ = 0;
    int lastHeight_ = 0;
    TrackingSize minimum_;
    TrackingSize maximum_;
    bool enabled_ = false;
    bool gripEnabled_ = false;
    bool inLayout_ = false;
};

// Moves one coordinate by `part` hundredths of `delta`, carrying the fraction in `remainder`.
// Sizes (`isSize`) never go below 0: the missing pixels are kept in the remainder, so growing
// back first pays them off. True when the value changed.
bool ApplyResizePart(int part, int delta, int& value, int& remainder, bool isSize);
