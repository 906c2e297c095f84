// CXMLLoaderWrapper: loading through the resource reader, result codes, accessors.
#include <string.h>

#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "engine/VortanString.h"
#include "engine/VortanXMLDataNode.h"
#include "tests/support/TestSupport.h"
#include "xmlloader/OrloResourceReader.h"
#include "xmlloader/XMLLoaderWrapper.h"

namespace {

// Serves files from a map the way the resource manager does: size + 1 bytes with a NUL,
// freed by the caller with delete[].
class FakeReader : public IOrloResourceReader {
public:
    int ReadResourceFile(const CVortanString& name, char** buffer) override
    {
        *buffer = nullptr;
        std::string ascii = VortanBytesOf(name);
        requests.push_back(ascii);
        auto it = files.find(ascii);
        if (it == files.end())
            return 0;
        *buffer = new char[it->second.size() + 1];
        memcpy(*buffer, it->second.data(), it->second.size());
        (*buffer)[it->second.size()] = 0;
        return (int)it->second.size();
    }
    std::map<std::string, std::string> files;
    std::vector<std::string> requests;
};

const char kArea[] =
    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n"
    "<!-- areas -->\n"
    "<root>\n"
    "  <area width=\"800\" height=\"480\" name=\"wide\" scale=\"1.5\" empty=\"\">\n"
    "    <element type=\"button\" name=\"ok\"/>\n"
    "  </area>\n"
    "  <area width=\"480\" height=\"800\"/>\n"
    "</root>\n";

TEST(XmlLoaderWrapper, LoadsThroughTheResourceReader)
{
    FakeReader reader;
    reader.files["menu_root.xml"] = kArea;
    reader.files["empty.xml"] = "";
    reader.files["text.xml"] = "no element here";
    CXMLLoaderWrapper wrapper;
    EXPECT_EQ(wrapper.LoadFile(CVortanString("menu_root.xml")), VORTAN_E_MISSING); // no reader yet
    EXPECT_EQ(wrapper.Init(&reader), VORTAN_OK);
    EXPECT_EQ(wrapper.LoadFile(CVortanString("menu_root.xml")), VORTAN_OK);
    EXPECT_EQ(reader.requests.back(), "menu_root.xml");
    CVortanXMLDataNode* root = wrapper.GetRootElement();
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(CXMLLoaderWrapper::GetNodeName(root), "root");
    // Unknown, empty and element-free files keep no document.
    EXPECT_EQ(wrapper.LoadFile(CVortanString("missing.xml")), VORTAN_E_MISSING);
    EXPECT_EQ(wrapper.GetRootElement(), nullptr);
    EXPECT_EQ(wrapper.LoadFile(CVortanString("empty.xml")), VORTAN_E_MISSING);
    EXPECT_EQ(wrapper.LoadFile(CVortanString("text.xml")), VORTAN_E_MALFORMED);
    EXPECT_EQ(wrapper.GetDocument(), nullptr);
}

TEST(XmlLoaderWrapper, Accessors)
{
    CXMLLoaderWrapper wrapper;
    std::vector<char> bytes(kArea, kArea + strlen(kArea));
    ASSERT_EQ(wrapper.LoadMemory(bytes.data(), (int)bytes.size()), VORTAN_OK);
    CVortanXMLDataNode* root = wrapper.GetRootElement();
    ASSERT_NE(root, nullptr);
    CVortanXMLDataNode* area = CXMLLoaderWrapper::FindChildElement(root, "area");
    ASSERT_NE(area, nullptr);
    // An empty attribute gives the default to the number getters and "" as text.
    EXPECT_EQ(CXMLLoaderWrapper::GetIntAttribute(area, "$width", 1), 800);
    EXPECT_EQ(CXMLLoaderWrapper::GetIntAttribute(area, "$empty", 1), 1);
    EXPECT_EQ(CXMLLoaderWrapper::GetFloatAttribute(area, "$scale", 1.0f), 1.5f);
    EXPECT_EQ(CXMLLoaderWrapper::GetFloatAttribute(area, "$empty", 2.0f), 2.0f);
    EXPECT_STREQ(CXMLLoaderWrapper::GetAttribute(area, "$empty"), "");
    EXPECT_EQ(CXMLLoaderWrapper::GetAttribute(area, "$missing"), nullptr);
    EXPECT_EQ(CXMLLoaderWrapper::GetAttribute(area, "element"), nullptr);
    // The first child of an element is its first attribute; value nodes have no children.
    CVortanXMLDataNode* first = CXMLLoaderWrapper::GetFirstChild(area);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(CXMLLoaderWrapper::GetNodeName(first), "$width");
    EXPECT_EQ(CXMLLoaderWrapper::GetFirstChild(first), nullptr);
    // Walking the areas as siblings.
    CVortanXMLDataNode* second = CXMLLoaderWrapper::GetNextSibling(area);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(CXMLLoaderWrapper::GetIntAttribute(second, "$height", 1), 800);
    EXPECT_EQ(CXMLLoaderWrapper::GetNextSibling(second), nullptr);
    EXPECT_EQ(CXMLLoaderWrapper::FindChildElement(nullptr, "area"), nullptr);
    wrapper.Unload();
    EXPECT_EQ(wrapper.GetRootElement(), nullptr);
    wrapper.Unload(); // nothing loaded: nothing happens
}

TEST(XmlLoaderWrapper, ReloadReplacesTheDocument)
{
    static_assert(std::has_virtual_destructor<CXMLLoaderWrapper>::value,
                  "deleted through the base");
    CXMLLoaderWrapper wrapper;
    char first[] = "<first/>";
    char second[] = "<second/>";
    ASSERT_EQ(wrapper.LoadMemory(first, (int)strlen(first)), VORTAN_OK);
    ASSERT_EQ(wrapper.LoadMemory(second, (int)strlen(second)), VORTAN_OK);
    EXPECT_STREQ(wrapper.GetRootElement()->GetName(), "second");
    // A failed load drops the previous document too.
    char nothing[] = "<!-- - -->";
    EXPECT_EQ(wrapper.LoadMemory(nothing, (int)strlen(nothing)), VORTAN_E_MALFORMED);
    EXPECT_EQ(wrapper.GetRootElement(), nullptr);
    EXPECT_EQ(wrapper.LoadMemory(nullptr, 4), VORTAN_E_ARGUMENT);
    // A document still held is freed with the wrapper (checked by the leak sanitizer).
    ASSERT_EQ(wrapper.LoadMemory(first, (int)strlen(first)), VORTAN_OK);
}

} // namespace
