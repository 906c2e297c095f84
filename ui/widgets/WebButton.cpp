// The web button: placeholders of the page address and the browser call.
#include "ui/widgets/WebButton.h"

#include <new>

#include "platform/OrloDevice.h"
#include "platform/OrloLanguage.h"
#include "platform/OrlogateApplication.h"
#include "ui/WidgetCast.h"

namespace {

void ReplaceFirstWith(CVortanString& text, const char* placeholder, const CVortanString& value)
{
    text.ReplaceFirst(CVortanString(placeholder), value);
}

CVortanString Decimal(int value)
{
    CVortanString out;
    out.FromInteger(value, 10);
    return out;
}

} // namespace

CWebButton::CWebButton() {}

CWebButton::~CWebButton() {}

CWidget* CWebButton::CreateInstance() const
{
    return new (std::nothrow) CWebButton();
}

void CWebButton::CopyFrom(const CWidget* other)
{
    CButton::CopyFrom(other);
    const CWebButton* source = WidgetCast<CWebButton>(other);
    if (source)
        SetUrl(source->GetUrl());
}

CVortanString CWebButton::ExpandUrl() const
{
    CVortanString url(GetUrl());
    url.ReplaceAll(CVortanString("&amp;"), CVortanString("&"));
    COrloApplication* context = GetContext();
    if (!context)
        return url;
    // The identity and session values live on the full application; under any other context
    // (a test host, a tool) those placeholders become empty.
    COrlogateApplication* app = dynamic_cast<COrlogateApplication*>(context);
    CVortanString value;
    ReplaceFirstWith(url, "APPLICATION_ID", app ? Decimal(app->GetGameNumber()) : value);
    ReplaceFirstWith(url, "RELEASE_ID", app ? Decimal(app->GetReleaseId()) : value);
    if (app)
        app->GetStoreName(value);
    ReplaceFirstWith(url, "RESELLER_ID", value);
    value.Empty();
    COrloLanguage* language = context->GetLanguage();
    if (language && language->GetCurrentLanguage())
        value = language->GetCurrentLanguage()->code;
    ReplaceFirstWith(url, "LANGUAGE", value);
    value.Empty();
    if (app)
        app->GetSessionKey(value);
    ReplaceFirstWith(url, "APPLICATION_TOKEN", value);
    value.Empty();
    if (app)
        app->GetWebToken(value);
    ReplaceFirstWith(url, "APPLICATION_CHECK", value);
    return url;
}

int CWebButton::Click()
{
    COrloApplication* context = GetContext();
    if (context) {
        CVortanString url = ExpandUrl();
        COrloDevice* device = context->GetDevice();
        if (device)
            device->OpenUrl(url);
    }
    return CButton::Click();
}
