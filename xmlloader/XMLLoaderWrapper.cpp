// CXMLLoaderWrapper: one parsed XML document read through the resource reader.
#include "xmlloader/XMLLoaderWrapper.h"

#include <new>

#include "engine/VortanString.h"
#include "engine/VortanXMLDataNode.h"
#include "xmlloader/OrloResourceReader.h"

CXMLLoaderWrapper::CXMLLoaderWrapper() : m_application(nullptr), m_document(nullptr) {}

CXMLLoaderWrapper::~CXMLLoaderWrapper()
{
    Unload();
}

int CXMLLoaderWrapper::Init(IOrloResourceReader* application)
{
    m_application = application;
    return VORTAN_OK;
}

int CXMLLoaderWrapper::LoadMemory(char* bytes, int size)
{
    Unload();
    CVortanXMLDataNode* document = new (std::nothrow) CVortanXMLDataNode();
    if (!document) {
        return VORTAN_E_NOMEMORY;
    }
    int result = document->LoadMemory(bytes, size);
    if (result != VORTAN_OK) {
        delete document;
        return result;
    }
    m_document = document;
    return result;
}

int CXMLLoaderWrapper::LoadFile(const CVortanString& path)
{
    Unload();
    char* buffer = nullptr;
    int size = m_application ? m_application->ReadResourceFile(path, &buffer) : 0;
    int result = VORTAN_E_MISSING;
    if (buffer && size > 0) {
        result = LoadMemory(buffer, size);
    }
    delete[] buffer;
    return result;
}

void CXMLLoaderWrapper::Unload()
{
    delete m_document;
    m_document = nullptr;
}

CVortanXMLDataNode* CXMLLoaderWrapper::GetRootElement() const
{
    if (!m_document) {
        return nullptr;
    }
    for (CVortanXMLDataNode* c = m_document->GetFirstChild(); c; c = c->GetNextSibling()) {
        if (!c->IsValueNode()) {
            return c;
        }
    }
    return nullptr;
}

CVortanXMLDataNode* CXMLLoaderWrapper::GetFirstChild(const CVortanXMLDataNode* node)
{
    return node ? node->GetFirstChild() : nullptr;
}

CVortanXMLDataNode* CXMLLoaderWrapper::GetNextSibling(const CVortanXMLDataNode* node)
{
    return node ? node->GetNextSibling() : nullptr;
}

const char* CXMLLoaderWrapper::GetNodeName(const CVortanXMLDataNode* node)
{
    return node ? node->GetName() : nullptr;
}

CVortanXMLDataNode* CXMLLoaderWrapper::FindChildElement(const CVortanXMLDataNode* node,
                                                        const char* name)
{
    return node ? node->FindChild(name, 0) : nullptr;
}

const char* CXMLLoaderWrapper::GetAttribute(const CVortanXMLDataNode* node, const char* name)
{
    CVortanXMLDataNode* attribute = node ? node->FindChild(name, 0) : nullptr;
    if (!attribute || !attribute->IsValueNode()) {
        return nullptr;
    }
    const char* text = attribute->GetValueText();
    return text ? text : "";
}

int CXMLLoaderWrapper::GetIntAttribute(const CVortanXMLDataNode* node, const char* name,
                                       int defaultValue)
{
    CVortanXMLDataNode* attribute = node ? node->FindChild(name, 0) : nullptr;
    if (!attribute || !attribute->GetValueText()) {
        return defaultValue;
    }
    return attribute->GetInt(nullptr, defaultValue);
}

float CXMLLoaderWrapper::GetFloatAttribute(const CVortanXMLDataNode* node, const char* name,
                                           float defaultValue)
{
    CVortanXMLDataNode* attribute = node ? node->FindChild(name, 0) : nullptr;
    if (!attribute || !attribute->GetValueText() || !attribute->GetValueText()[0]) {
        return defaultValue;
    }
    return attribute->GetFloat(nullptr, defaultValue);
}
