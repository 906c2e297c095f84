// CXMLLoaderWrapper: holds one parsed XML document and offers the node and attribute
// accessors that the layout readers use. Files are read through the resource reader.
#pragma once

class CVortanString;
class CVortanXMLDataNode;
class IOrloResourceReader;

class CXMLLoaderWrapper {
public:
    CXMLLoaderWrapper();
    // Frees a document still held (owners normally call Unload first).
    virtual ~CXMLLoaderWrapper();

    // Stores the application (its resource reader reads the files); returns VORTAN_OK.
    int Init(IOrloResourceReader* application);
    // Drops any document held, then parses the buffer (in place) into a new document node.
    // Returns the parser's code; on any code but VORTAN_OK no document is kept.
    int LoadMemory(char* bytes, int size);
    // Drops any document held, reads the file whole through the resource reader and parses it;
    // VORTAN_E_MISSING when nothing was read.
    int LoadFile(const CVortanString& path);
    // Deletes the document and forgets it.
    void Unload();
    void DestroyTree() { Unload(); }

    // The document's first element, or null (also when the document node is a value node).
    CVortanXMLDataNode* GetRootElement() const;
    CVortanXMLDataNode* GetDocument() const { return m_document; }

    // Node accessors; attribute names are passed with their leading "$".
    static CVortanXMLDataNode* GetFirstChild(const CVortanXMLDataNode* node);
    static CVortanXMLDataNode* GetNextSibling(const CVortanXMLDataNode* node);
    static const char* GetNodeName(const CVortanXMLDataNode* node);
    static CVortanXMLDataNode* FindChildElement(const CVortanXMLDataNode* node, const char* name);
    // The attribute's text ("" for an empty value), or null when the node has no such attribute.
    static const char* GetAttribute(const CVortanXMLDataNode* node, const char* name);
    // The attribute's text read with "%d" / "%f", or the default when it is absent or empty.
    static int GetIntAttribute(const CVortanXMLDataNode* node, const char* name, int defaultValue);
    static float GetFloatAttribute(const CVortanXMLDataNode* node, const char* name,
                                   float defaultValue);

protected:
    IOrloResourceReader* m_application; // not owned
    CVortanXMLDataNode* m_document;     // owned; null when nothing is loaded

private:
    CXMLLoaderWrapper(const CXMLLoaderWrapper&) = delete;
    CXMLLoaderWrapper& operator=(const CXMLLoaderWrapper&) = delete;
};
