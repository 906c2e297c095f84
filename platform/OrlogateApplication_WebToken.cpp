// COrlogateApplication: the session texts that web links carry.
#include "platform/OrlogateApplication.h"

void COrlogateApplication::GetSessionKey(CVortanString& out)
{
    if (m_session)
        out = m_session->GetLoginToken();
    else
        out.Empty();
}

void COrlogateApplication::GetWebToken(CVortanString& out)
{
    if (m_session)
        out = m_session->BuildLinkToken();
    else
        out.Empty();
}
