// CWebButton: a button that opens its web page in the device's browser when clicked, with the
// application's identity and session values filled into the page address.
#pragma once
#include "ui/widgets/Button.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CWebButton : public CButton {
public:
    CWebButton();
    virtual ~CWebButton();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::WebButton(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    virtual CVortanString GetUrl() const { return m_url; }
    virtual void SetUrl(const CVortanString& url) { m_url = url; }
    // The address with "&amp;" made "&" and the first of each placeholder filled in from the
    // context's current values (the stored address is not changed).
    CVortanString ExpandUrl() const;

    // Opens the page (with a context), then fires onclick in every case.
    int Click() override;
    CWidget* CreateInstance() const override;
    void CopyFrom(const CWidget* other) override;

    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

private:
    CVortanString m_url;
};
