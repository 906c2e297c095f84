// CRotatingImageWidget: an image widget whose image turns continuously, or in jumps of a step
// angle when a number of steps per turn is set.
#pragma once
#include "ui/widgets/ImageWidget.h"

class CUIXMLLoader;
class CVortanXMLDataNode;

class CRotatingImageWidget : public CImageWidget {
public:
    static const float FULL_TURN;

    CRotatingImageWidget();
    virtual ~CRotatingImageWidget();

    static const TypeInfo& StaticTypeInfo() { return CWidgetTypes::RotatingImage(); }
    const TypeInfo* GetTypeInfo() const override { return &StaticTypeInfo(); }

    // The creator of the layout type "rotating_image".
    static CWidget* CreateFromXML(CUIXMLLoader* loader, CVortanXMLDataNode* element,
                                  CWidget* parent, CWidget* reuse);

    // Radians per second; the angle decreases by speed x time.
    void SetSpeed(float speed) { m_speed = speed; }
    float GetSpeed() const { return m_speed; }
    void SetAngle(float angle) { m_angle = angle; }
    float GetAngle() const { return m_angle; }
    // Steps per turn; 0 or less turns smoothly.
    void SetSteps(int steps);
    float GetStepAngle() const { return m_step; }
    // The angle drawn: the angle, or whole steps of it toward zero.
    float GetDrawnAngle() const;

    CWidget* CreateInstance() const override;
    int RenderSelf(IVortanGraphicsContext* gc, const CVortanRect& rect) override;
    int UpdateSelf(float dt) override;
    // The image widget's part, speed and angle (the step angle is not copied).
    void CopyFrom(const CWidget* other) override;

private:
    float m_speed;
    float m_angle;
    float m_step;
};
