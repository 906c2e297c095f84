// The binders of the slider's, the slide areas' and the infinite list's layout events (the
// loader checks the widget's class before it calls them).
#include "ui/loader/UIBuiltinEvents_Scroll.h"

#include "ui/layouts/InfiniteList.h"
#include "ui/layouts/SlideArea.h"
#include "ui/widgets/Slider.h"

void UIBindValueChanged(CWidget* widget, const CUIDelegate& d)
{
    static_cast<CSlider*>(widget)->SetOnValueChanged(d);
}

void UIBindLoadItem(CWidget* widget, const CUIDelegate& d)
{
    static_cast<CInfiniteList*>(widget)->SetOnLoadItem(d);
}

void UIBindForgetItem(CWidget* widget, const CUIDelegate& d)
{
    static_cast<CInfiniteList*>(widget)->SetOnForgetItem(d);
}

void UIBindLoadItemBatch(CWidget* widget, const CUIDelegate& d)
{
    static_cast<CInfiniteList*>(widget)->SetOnLoadItemBatch(d);
}

void UIBindLoadGroup(CWidget* widget, const CUIDelegate& d)
{
    static_cast<CInfiniteList*>(widget)->SetOnLoadGroup(d);
}

void UIBindBeginScroll(CWidget* widget, const CUIDelegate& d)
{
    static_cast<CSlideArea*>(widget)->SetOnBeginScroll(d);
}

void UIBindEndScroll(CWidget* widget, const CUIDelegate& d)
{
    static_cast<CSlideArea*>(widget)->SetOnEndScroll(d);
}
