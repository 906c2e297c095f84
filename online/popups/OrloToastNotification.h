// COrloToastNotification: short messages shown one at a time in a strip that slides up from
// the bottom edge of the screen, stays, and slides down again, with an icon for its kind.
#pragma once
#include "engine/VortanPtrArray.h"
#include "engine/VortanString.h"
#include "engine/VortanTypes.h"
#include "platform/OrloToastNotificationInterface.h"

class CUIActionSequenceList;
class CWidget;

// The layout file of the toast.
#define ORLO_TOAST_LAYOUT "toast-root.xml"
// Seconds a toast shows when its duration is 0 or less, and the time of each slide.
#define ORLO_TOAST_DEFAULT_DURATION 3.0f
#define ORLO_TOAST_SLIDE_TIME 0.5f

class COrloToastNotification : public IOrloToastNotification {
public:
    // The kind of an achievement toast (its text gets a second line).
    enum { KIND_MESSAGE = 1, KIND_ACHIEVEMENT = 4 };

    COrloToastNotification();
    virtual ~COrloToastNotification(); // Release

    // Stores the application and builds the layout at the graphics size: the build's result.
    int Init(COrloApplication* application) override;
    // Deletes the queue and the widgets.
    void Release() override;
    // Rebuilds at the new size; VORTAN_OK.
    int OnResize(int width, int height) override;
    // Passed to the widgets while a toast shows; consumed (1) when the point lies on the strip.
    int OnPointerDown(int button, int x, int y) override;
    int OnPointerUp(int button, int x, int y) override;
    int OnPointerMove(int button, int x, int y) override;
    void Render() override;
    void Update(float seconds) override;

    // Builds the widgets from the layout at the size: VORTAN_OK or the loader's failure (the
    // toast then shows nothing). A toast in progress with its own duration goes on where it was;
    // any other toast in progress ends.
    virtual int Build(int width, int height);
    virtual void SetShowing(bool showing) { m_showing = showing ? 1 : 0; }
    bool IsShowing() override { return m_showing != 0; }
    int GetCurrentKind() override { return m_currentKind; }

    // Queues a message (a text already waiting is not queued twice) and shows it at once when
    // no toast shows. Duration in seconds, 0 or less = the default; kind 0 counts as 1. 1.
    int AddMessage(const CVortanString& text, float duration, int kind) override;
    // The messages of the kind end: the one on screen at once, the waiting ones unseen.
    void EndKind(int kind) override;
    // The "toast_click" event: the toast slides out now, with at most 0.5 s left.
    void Dismiss();

    // Queries for tests.
    float GetElapsed() const { return m_elapsed; }
    float GetDuration() const { return m_duration; }
    int GetQueueCount() const { return m_queue.GetCount(); }
    // Messages shown so far (a toast shown again after a rebuild counts once).
    int GetShownCount() const { return m_shownCount; }
    CWidget* GetRoot() const { return m_root; }
    CWidget* GetHitArea() const { return m_hitArea; }

private:
    struct CEntry {
        CVortanString text;
        float duration;
        int kind;
    };

    // Shows the entry: 1, or 0 when the strip or an icon is missing (nothing changes then).
    // `again`: the toast on screen shown again after a rebuild.
    int ShowItem(const CEntry& entry, bool again = false);
    // Ends the toast on screen and shows the first waiting entry.
    void EndToast();
    // Places the strip (and its background) at the top y.
    void PlaceStrip(float y);
    void DeleteWidgets();
    void ClearCurrent();
    static int DismissDelegate(CWidget* sender, void* context, intptr_t, intptr_t);

    CWidget* m_root;                    // owned
    CWidget* m_hitArea;                 // not owned
    CWidget* m_background;              // not owned
    CUIActionSequenceList* m_sequences; // owned
    float m_elapsed;
    float m_duration;
    int m_dismissed;
    int m_showing;
    int m_shownCount;
    int m_currentKind;
    CVortanPtrArray m_queue; // CEntry*, owned
    CEntry m_current;        // the toast on screen, kept to show it again after a rebuild
};
