// COrloApplication: the platform application's base; the services are COrlogateApplication's.
#include "platform/OrloApplication.h"

COrloApplication::COrloApplication() : m_exiting(0) {}

COrloApplication::~COrloApplication() {}
