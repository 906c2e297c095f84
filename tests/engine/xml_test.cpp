// XML data tree: parser rules, paths, getters, editing, cloning, writer bytes, file loading.
#include <limits.h>

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/VortanFile.h"
#include "engine/VortanString.h"
#include "engine/VortanXMLDataNode.h"
#include "tests/support/TestSupport.h"

namespace {

// Compact form of a tree: an element is name(children...), a value node name=text, or just
// its name when it has no text.
std::string Compact(const CVortanXMLDataNode* node)
{
    std::string out = node->GetName() ? node->GetName() : "?";
    if (node->IsValueNode()) {
        if (node->GetValueText())
            out += "=" + std::string(node->GetValueText());
        return out;
    }
    out += "(";
    for (const CVortanXMLDataNode* c = node->GetFirstChild(); c; c = c->GetNextSibling()) {
        out += Compact(c);
        if (c->GetNextSibling())
            out += ",";
    }
    return out + ")";
}

// Children of the document node, each in compact form, separated by " ".
std::string CompactDocument(const CVortanXMLDataNode& document)
{
    std::string out;
    for (const CVortanXMLDataNode* c = document.GetFirstChild(); c; c = c->GetNextSibling())
        out += (out.empty() ? "" : " ") + Compact(c);
    return out;
}

struct Parsed {
    std::unique_ptr<CVortanXMLDataNode> document{new CVortanXMLDataNode()};
    int result = 0;
    std::string Tree() const { return CompactDocument(*document); }
};

// Parses from a heap buffer of exactly the text's size: no NUL after it.
Parsed Parse(const std::string& text)
{
    Parsed parsed;
    std::vector<char> bytes(text.begin(), text.end());
    parsed.result = parsed.document->LoadMemory(bytes.data(), (int)bytes.size());
    return parsed;
}

std::string Tree(const std::string& text)
{
    return Parse(text).Tree();
}

TEST(XmlParse, TreeRules)
{
    const char* cases[][2] = {
        // Attributes become "$" value children in order; spaces, CR and LF around names and "=";
        // an empty value leaves the value node without text.
        {"<a z=\"3\" b=\"4\" m=\"5\"></a>", "a($z=3,$b=4,$m=5)"},
        {"<a\r\n  x = \"1\"\n\ty=\"2\" />", "a($x=1,$\ty=2)"},
        {"<a e=\"\"/>", "a($e)"},
        // Text becomes "$ORIG_DATA", also without attributes; raw: neither decoded nor trimmed.
        {"<a k=\"v\">hello</a>", "a($k=v,$ORIG_DATA=hello)"},
        {"<a> x &amp; y </a>", "a($ORIG_DATA= x &amp; y )"},
        {"<a></a>", "a()"},
        // Text beside child elements is dropped; text runs to the end of a cut-off document.
        {"<a k=\"v\">one<b>two</b>three</a>", "a($k=v,b($ORIG_DATA=two))"},
        {"<a>cut", "a($ORIG_DATA=cut)"},
        // Comments nest; a stray "-->" is blanked, also inside a value; other dashes stay.
        {"<a><b/><!-- <c/> --><d/></a>", "a(b(),d())"},
        {"<a><!-- x <!-- y --> <c/> z --><d/></a>", "a(d())"},
        {"<a x=\"p-->q\"/>", "a($x=p   q)"},
        {"<a x=\"-1 - -- 2\"/>", "a($x=-1 - -- 2)"},
        // Declarations and instructions are skipped.
        {"<?xml version=\"1.0\"?>\n<!DOCTYPE font>\n<?pi x?><font/>", "font()"},
        {"<a><?pi?><b/></a>", "a(b())"},
        // Entities are decoded in attribute values only.
        {"<a v=\"a&lt;b&amp;c&x;\"/>", "a($v=a<b&cx;)"},
        {"<a v=\"&gt;&quot;&apos;&#65;&\"/>", "a($v=>\"'#65;)"},
        {"<a>&lt;</a>", "a($ORIG_DATA=&lt;)"},
        // Quoted values may hold tag characters.
        {"<a x=\"1>2\" y='say \"3\"'/><b/>", "a($x=1>2,$y=say \"3\") b()"},
        {"<a x=\"/>\">t</a>", "a($x=/>,$ORIG_DATA=t)"},
        // End-tag names are not compared; a stray end tag at the top ends the document.
        {"<a><b></c><d/></a>", "a(b(),d())"},
        {"<a/></x><b/>", "a()"},
        // White space after "<"; a tab is part of a name.
        {"< \r\na/>", "a()"},
        {"<a\tb/>", "a\tb()"},
        // Attributes without value, unquoted values, a stray "/".
        {"<a k j=v / x=\"1\"/>", "a($k,$j=v,$x=1)"},
        // Open elements are closed by the end of the buffer; a cut-off tag keeps its attributes.
        {"<a><b x=\"1\" y=\"2", "a(b($x=1,$y=2))"},
        // A "$" name marks a value node, which cannot hold attributes or children: skipped.
        {"<a><$x k=\"1\"><b/>text</$x><c/></a>", "a(c())"},
        {"<a><$y/>text</a>", "a()"},
    };
    for (auto& c : cases)
        EXPECT_EQ(Tree(c[0]), c[1]) << c[0];
    // The comment pass over the buffer itself.
    std::string text = "a<!-- x <!-- y --> z -->b-->c<!--->d";
    std::vector<char> bytes(text.begin(), text.end());
    CVortanXMLDataNode::BlankComments(bytes.data(), (int)bytes.size());
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              "a" + std::string(23, ' ') + "b   c" + std::string(7, ' '));
    // Loading appends to the children a node already has.
    CVortanXMLDataNode document;
    document.AddChild("first");
    char two[] = "<a/><b/>";
    ASSERT_EQ(document.LoadMemory(two, 8), VORTAN_OK);
    EXPECT_EQ(CompactDocument(document), "first() a() b()");
}

TEST(XmlParse, ResultCodes)
{
    EXPECT_EQ(Parse("<a/>").result, VORTAN_OK);
    EXPECT_EQ(Parse("<$x/>").result, VORTAN_E_MALFORMED);
    char none[1] = {'<'};
    CVortanXMLDataNode empty;
    EXPECT_EQ(empty.LoadMemory(none, 0), VORTAN_E_MALFORMED);
    EXPECT_EQ(Parse("plain text").result, VORTAN_E_MALFORMED);
    EXPECT_EQ(Parse("<!-- <a/> -->").result, VORTAN_E_MALFORMED);
    EXPECT_EQ(Parse("</a>").result, VORTAN_E_MALFORMED);
    CVortanXMLDataNode node;
    EXPECT_EQ(node.LoadMemory(nullptr, 10), VORTAN_E_ARGUMENT);
    CVortanXMLDataNode value("$v");
    char text[] = "<a/>";
    EXPECT_EQ(value.LoadMemory(text, 4), VORTAN_E_ARGUMENT);
    EXPECT_EQ(value.GetFirstChild(), nullptr);
}

TEST(XmlParse, BoundedByLengthNotByNul)
{
    std::string text = "<a x=\"1\"/><b/>";
    CVortanXMLDataNode document;
    std::vector<char> bytes(text.begin(), text.end());
    ASSERT_EQ(document.LoadMemory(bytes.data(), 10), VORTAN_OK);
    EXPECT_EQ(CompactDocument(document), "a($x=1)");
    // A NUL inside the buffer does not end the parse.
    std::string withNul("<a/>\0<b/>", 9);
    EXPECT_EQ(Tree(withNul), "a() b()");
}

TEST(XmlParse, NamesAndValuesOfAnyLength)
{
    std::string name(5000, 'n');
    std::string value(200000, 'v');
    value[100] = '>';
    Parsed parsed =
        Parse("<" + name + " " + name + "=\"" + value + "\">" + value + "</" + name + ">");
    ASSERT_EQ(parsed.result, VORTAN_OK);
    const CVortanXMLDataNode* root = parsed.document->GetFirstChild();
    EXPECT_EQ(std::string(root->GetName()), name);
    EXPECT_EQ(std::string(root->GetFirstChild()->GetName()), "$" + name);
    EXPECT_EQ(std::string(root->GetFirstChild()->GetValueText()), value);
    // The text runs to the next "<" (a ">" is an ordinary character there).
    EXPECT_EQ(std::string(root->FindChild("$ORIG_DATA", 0)->GetValueText()), value);
}

// Values, texts and names of every short length, with an entity or a quote of the other
// kind at every place, each document ending right after the value's tag or cut inside it:
// the scanner looks at several bytes at a time and must neither miss a mark nor read on.
TEST(XmlParse, ShortRunsWithMarksAtEveryPlace)
{
    for (int length = 0; length <= 20; length++) {
        for (int at = -1; at < length; at++) {
            std::string raw(length, 'v');
            std::string decoded = raw;
            if (at >= 0) {
                raw.replace(at, 1, "&lt;");
                decoded[at] = '<';
            }
            const std::string name(length + 1, 'n');
            EXPECT_EQ(Tree("<" + name + " a=\"" + raw + "\"/>"),
                      name + "($a" + (decoded.empty() ? "" : "=" + decoded) + ")");
            EXPECT_EQ(Tree("<e a='" + raw + "\"'/>"), "e($a=" + decoded + "\")");
            EXPECT_EQ(Tree("<" + name + ">" + raw + "</" + name + ">"),
                      name + "(" + (raw.empty() ? "" : "$ORIG_DATA=" + raw) + ")");
            // Cut inside the value: it runs to the end.
            EXPECT_EQ(Tree("<e a=\"" + raw), "e($a" + (decoded.empty() ? "" : "=" + decoded) + ")");
        }
    }
}

int Depth(const CVortanXMLDataNode* node)
{
    int depth = 0;
    while (node && !node->IsValueNode()) {
        depth++;
        node = node->FindChild("a", 0);
    }
    return depth;
}

TEST(XmlParse, NestingDepthIsCappedAndDeepTreesAreFreedWithoutRecursion)
{
    std::string text = "<r>";
    for (int i = 0; i < 1000; i++)
        text += "<a n=\"" + std::to_string(i) + "\">";
    text += "deep";
    for (int i = 0; i < 1000; i++)
        text += "</a>";
    text += "<b/></r><c/>";
    Parsed parsed = Parse(text);
    ASSERT_EQ(parsed.result, VORTAN_OK);
    const CVortanXMLDataNode* r = parsed.document->GetFirstChild();
    EXPECT_EQ(std::string(r->GetName()), "r");
    // r is level 1; levels 2..256 are kept, the deeper ones dropped with all they hold.
    EXPECT_EQ(Depth(r->FindChild("a", 0)), VORTAN_XML_MAX_DEPTH - 1);
    EXPECT_NE(r->FindChild("b", 0), nullptr);
    EXPECT_NE(parsed.document->FindChild("c", 0), nullptr);
    EXPECT_EQ(r->FindChild("$ORIG_DATA", 1), nullptr);
    // A million open tags: no stack is consumed, and the tree is freed without recursion.
    std::string deep;
    for (int i = 0; i < 1000000; i++)
        deep += "<a>";
    EXPECT_EQ(Depth(Parse(deep).document->GetFirstChild()), VORTAN_XML_MAX_DEPTH);
    std::string path;
    for (int i = 0; i < 200000; i++)
        path += "a/";
    std::unique_ptr<CVortanXMLDataNode> node(new CVortanXMLDataNode("root"));
    ASSERT_NE(node->FindNode(path.c_str(), 1), nullptr);
    std::unique_ptr<CVortanXMLDataNode> copy(node->Clone());
    EXPECT_NE(copy->FindNode(path.c_str(), 0), nullptr);
}

TEST(XmlPaths, FindNodeTakesFirstMatchWithoutBacktracking)
{
    Parsed parsed = Parse("<font><pages><page id=\"0\"/><page id=\"1\"/></pages><pages><page "
                          "id=\"2\"/></pages></font>"
                          "<font><pages><page id=\"3\"/></pages></font>");
    CVortanXMLDataNode* document = parsed.document.get();
    EXPECT_EQ(document->GetInt("font/pages/page/$id", -1), 0);
    EXPECT_EQ(document->FindNode(nullptr, 0), document);
    EXPECT_EQ(document->FindNode("font/pa", 0), nullptr);
    EXPECT_EQ(document->FindNode("font/pages/page/$id/x", 0), nullptr);
    Parsed empty = Parse("<font><pages/></font><font><pages><page/></pages></font>");
    EXPECT_EQ(empty.document->FindNode("font/pages/page", 0), nullptr);
}

TEST(XmlPaths, FindNodeCreatesMissingComponentsFindChildIsDepthFirst)
{
    CVortanXMLDataNode node;
    CVortanXMLDataNode* page = node.FindNode("font/pages/page", 1);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(CompactDocument(node), "font(pages(page()))");
    EXPECT_EQ(node.FindNode("font/pages/page", 1), page);
    CVortanXMLDataNode* common = node.FindNode("font/common", 1);
    EXPECT_EQ(node.FindNode("font/common", 0), common);
    EXPECT_EQ(CompactDocument(node), "font(pages(page()),common())");
    // A value node cannot hold children.
    EXPECT_EQ(node.FindNode("font/$size/x", 1), nullptr);
    EXPECT_EQ(CompactDocument(node), "font(pages(page()),common(),$size)");
    CVortanXMLDataNode value("$v");
    EXPECT_EQ(value.FindNode("x", 1), nullptr);
    EXPECT_EQ(value.AddChild("x"), nullptr);
    EXPECT_EQ(value.FindNode(nullptr, 0), &value);
    Parsed parsed = Parse("<r><a><x id=\"1\"/></a><x id=\"2\"/></r>");
    const CVortanXMLDataNode* r = parsed.document->GetFirstChild();
    EXPECT_EQ(r->FindChild("x", 0)->GetInt("$id", 0), 2);
    EXPECT_EQ(r->FindChild("x", 1)->GetInt("$id", 0), 1);
    EXPECT_EQ(r->FindChild("$id", 1)->GetValueText(), std::string("1"));
    EXPECT_EQ(r->FindChild("y", 1), nullptr);
}

TEST(XmlGetters, GetIntRules)
{
    Parsed parsed =
        Parse("<font><common lineHeight=\"32\" neg=\" -12\" word=\"abc\" dash=\"x-5y\" empty=\"\" "
              "mixed=\"12px\" big=\"4294967295\"/></font>");
    const CVortanXMLDataNode* d = parsed.document.get();
    // $empty: a value node without text; "" names the element node itself.
    const std::pair<const char*, int> cases[] = {{"$lineHeight", 32}, {"$base", 7},  {"$neg", -12},
                                                 {"$word", 0},        {"$dash", -5}, {"$mixed", 12},
                                                 {"$big", -1},        {"$empty", 0}};
    for (auto& c : cases)
        EXPECT_EQ(d->GetInt((std::string("font/common/") + c.first).c_str(), 7), c.second)
            << c.first;
    EXPECT_EQ(d->GetInt("font/common", 7), 0);
    CVortanXMLDataNode value("$v");
    value.SetValueText("", 0);
    EXPECT_EQ(value.GetInt(nullptr, 7), 7); // an empty text
    value.SetValueText("   ", 0);
    EXPECT_EQ(value.GetInt(nullptr, 7), 7);
}

TEST(XmlGetters, GetFloatRules)
{
    Parsed parsed = Parse("<a x=\"3.25\" comma=\"1,5\" neg=\"-0.125\" dot=\".5\" negdot=\"-.75\" "
                          "int=\"42\" word=\"w\" "
                          "many=\"1.2.3\" e=\"\"/>");
    const CVortanXMLDataNode* a = parsed.document->GetFirstChild();
    const std::pair<const char*, float> cases[] = {
        {"$x", 3.25f},   {"$comma", 1.5f}, {"$neg", -0.125f}, {"$dot", 0.5f}, {"$negdot", -0.75f},
        {"$int", 42.0f}, {"$word", 0.0f},  {"$many", 1.23f},  {"$e", 0.0f},   {"$missing", 9.0f}};
    for (auto& c : cases)
        EXPECT_EQ(a->GetFloat(c.first, 9.0f), c.second) << c.first;
    EXPECT_EQ(parsed.document->GetFloat("a", 9.0f), 0.0f);
    // Correctly rounded to the nearest float (values computed independently).
    EXPECT_EQ(a->GetFloat(nullptr, 0), 0.0f);
    CVortanXMLDataNode v("$v");
    v.SetValueText("0.1", 0);
    EXPECT_EQ(v.GetFloat(nullptr, 0), 0.1f);
    v.SetValueText("16777217", 0);
    EXPECT_EQ(v.GetFloat(nullptr, 0), 16777216.0f);
    v.SetValueText("123456789012345678901234567890", 0);
    EXPECT_EQ(v.GetFloat(nullptr, 0), 1.2345679e29f);
}

TEST(XmlGetters, FieldsByIndexIntArraysAndValueNodes)
{
    Parsed parsed = Parse(
        "<a sp=\"10 20 30\" co=\"4,5,6\" both=\"7, 8 , 9\" gap=\"1,,3\" f=\"0.5 1.5,2.5\" "
        "two=\"1,2\" "
        "three=\" 5, -6 ,7\" more=\"1,2,3,4\" blank=\"1, ,3\" name=\"btn\" empty=\"\"><b/></a>");
    const CVortanXMLDataNode* a = parsed.document->GetFirstChild();
    EXPECT_EQ(a->GetIntAt("$sp", 2, -1), 30);
    EXPECT_EQ(a->GetIntAt("$sp", 3, -1), -1);
    EXPECT_EQ(a->GetIntAt("$co", 2, -1), 6);
    EXPECT_EQ(a->GetIntAt("$both", 1, -1), 8);
    EXPECT_EQ(a->GetIntAt("$gap", 2, -1), 3);
    EXPECT_EQ(a->GetIntAt("$missing", 0, -1), -1);
    // In a list a "," ends the number (it is not read as a decimal separator).
    EXPECT_EQ(a->GetFloatAt("$f", 1, -1.0f), 1.5f);
    EXPECT_EQ(a->GetFloatAt("$f", 3, -1.0f), -1.0f);
    const int defaults[3] = {-1, -2, -3};
    int out[3];
    auto Got = [&](const char* path, int expect) {
        EXPECT_EQ(a->GetIntArray(path, out, 3, defaults), expect) << path;
        return std::vector<int>(out, out + 3);
    };
    EXPECT_EQ(Got("$two", 0), (std::vector<int>{1, 2, -3}));
    EXPECT_EQ(Got("$three", 1), (std::vector<int>{5, -6, 7}));
    EXPECT_EQ(Got("$more", 1), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Got("$blank", 0), (std::vector<int>{1, -2, 3}));
    EXPECT_EQ(Got("$none", 0), (std::vector<int>{-1, -2, -3}));
    EXPECT_STREQ(a->GetValueNode("$name", "dflt"), "btn");
    EXPECT_STREQ(a->GetValueNode("$empty", "dflt"), "");
    EXPECT_STREQ(a->GetValueNode("$other", "dflt"), "dflt");
    EXPECT_STREQ(a->GetValueNode("b", "dflt"), "dflt");
    EXPECT_STREQ(a->FindChild("$name", 0)->GetValueNode("$name", "dflt"), "dflt");
}

TEST(XmlEdit, SetValueSetIntNamesAndKinds)
{
    CVortanXMLDataNode node("root");
    node.SetInt("common/$lineHeight", -7);
    node.SetValue("common/$face", "Sans");
    node.SetValue("common/$face", "Serif");
    node.SetValue("common/$none", nullptr);
    node.SetValue("common", "ignored");
    EXPECT_EQ(Compact(&node), "root(common($lineHeight=-7,$face=Serif,$none))");
    EXPECT_EQ(node.GetInt("common/$lineHeight", 0), -7);
    node.AddChild("$x", "1");
    node.AddChild("plain", "ignored for an element");
    node.SetName("renamed-with-tail", 7);
    EXPECT_EQ(Compact(&node), "renamed(common($lineHeight=-7,$face=Serif,$none),$x=1,plain())");
    // Renaming an element into a value node frees its children first, and back.
    node.SetName("$v", 0);
    EXPECT_EQ(node.GetValueText(), nullptr);
    node.SetValueText("text", 2);
    EXPECT_EQ(Compact(&node), "$v=te");
    node.SetName("e", 0);
    EXPECT_EQ(node.GetFirstChild(), nullptr);
    node.SetValueText("no effect", 0);
    EXPECT_EQ(Compact(&node), "e()");
}

TEST(XmlEdit, CloneIsDeepAndIndependent)
{
    Parsed parsed = Parse("<a x=\"1\"><b y=\"2\">t</b><c/><d><e f=\"3\"/></d></a>");
    CVortanXMLDataNode* a = parsed.document->GetFirstChild();
    std::unique_ptr<CVortanXMLDataNode> copy(a->Clone());
    EXPECT_EQ(Compact(copy.get()), "a($x=1,b($y=2,$ORIG_DATA=t),c(),d(e($f=3)))");
    a->SetValue("d/e/$f", "changed");
    a->FindNode("b", 0)->RemoveChildren();
    EXPECT_EQ(Compact(copy.get()), "a($x=1,b($y=2,$ORIG_DATA=t),c(),d(e($f=3)))");
    std::unique_ptr<CVortanXMLDataNode> value(a->FindChild("$x", 0)->Clone());
    EXPECT_EQ(value->GetNextSibling(), nullptr);
}

// A parsed tree is edited and freed piece by piece: names, values and subtrees of parsed
// nodes are replaced or removed while the rest of the document stays intact, and it outlives
// the buffer it was parsed from. The document is large enough to fill several of the
// parser's blocks and holds a value larger than any of them (the sanitizer build checks
// every free).
TEST(XmlEdit, ParsedNodesEditedAndFreedPieceByPiece)
{
    const int kItems = 4000;
    std::string text = "<r>";
    std::string expected = "r(";
    for (int i = 0; i < kItems; i++) {
        const std::string n = std::to_string(i);
        text += "<e" + n + " k=\"v" + n + "\">t" + n + "</e" + n + ">";
        expected += "e" + n + "($k=v" + n + ",$ORIG_DATA=t" + n + "),";
    }
    const std::string big(100000, 'b');
    text += "<big v=\"" + big + "\"/></r><second/>";
    expected += "big($v=" + big + ")) second()";
    Parsed parsed = Parse(text);
    ASSERT_EQ(parsed.result, VORTAN_OK);
    EXPECT_EQ(parsed.Tree(), expected);

    CVortanXMLDataNode* r = parsed.document->GetFirstChild();
    // A parsed element renamed, a parsed value replaced, a parsed value node renamed into an
    // element (its text goes) and back into a value node that gets a new text.
    CVortanXMLDataNode* e0 = r->FindChild("e0", 0);
    e0->SetName("first", 0);
    e0->FindChild("$k", 0)->SetValueText("new value", 0);
    CVortanXMLDataNode* text1 = r->FindNode("e1/$ORIG_DATA", 0);
    text1->SetName("plain", 0);
    EXPECT_EQ(text1->GetValueText(), nullptr);
    text1->AddChild("$added", "a");
    text1->SetName("$again", 0);
    text1->SetValueText("again", 0);
    // Subtrees removed from the middle and the end, a parsed value node emptied.
    r->FindChild("e2", 0)->RemoveChildren();
    r->FindChild("big", 0)->RemoveChildren();
    r->FindNode("e3/$k", 0)->RemoveChildren();
    // A second document appended to the same receiver.
    Parse("<x/>"); // another parse in between, freed at once
    std::string more = "<third y=\"z\"/>";
    std::vector<char> bytes(more.begin(), more.end());
    ASSERT_EQ(parsed.document->LoadMemory(bytes.data(), (int)bytes.size()), VORTAN_OK);
    bytes.assign(bytes.size(), '#'); // the tree keeps nothing of the buffer

    std::string edited = "r(first($k=new value,$ORIG_DATA=t0),e1($k=v1,$again=again),e2(),"
                         "e3($k,$ORIG_DATA=t3),";
    for (int i = 4; i < kItems; i++) {
        const std::string n = std::to_string(i);
        edited += "e" + n + "($k=v" + n + ",$ORIG_DATA=t" + n + "),";
    }
    edited += "big()) second() third($y=z)";
    EXPECT_EQ(parsed.Tree(), edited);

    // Everything but the last items removed; the copy taken before is independent of it.
    std::unique_ptr<CVortanXMLDataNode> copy(r->Clone());
    r->RemoveChildren();
    EXPECT_EQ(parsed.Tree(), "r() second() third($y=z)");
    EXPECT_EQ(Compact(copy.get()), edited.substr(0, edited.find(" second()")));
}

std::string WriteToString(const CVortanXMLDataNode& node, int header, int indent, int* result)
{
    vtest::TempDir dir;
    CVortanFile file;
    EXPECT_EQ(file.Open(CVortanString(dir.File("out.xml").c_str()), VORTAN_FILE_WRITE), VORTAN_OK);
    *result = node.Write(&file, header, indent);
    file.Close();
    return vtest::ReadWholeFile(dir.File("out.xml"));
}

TEST(XmlWrite, ExactBytes)
{
    Parsed parsed =
        Parse("<font><common lineHeight=\"32\" e=\"\"/><pages><page file=\"a b.png\"/></pages>"
              "<t k=\"v\">x &amp; y</t><empty/></font>");
    int result = 0;
    std::string bytes = WriteToString(*parsed.document->GetFirstChild(), 1, 0, &result);
    EXPECT_EQ(result, VORTAN_OK);
    EXPECT_EQ(bytes, "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\r\n"
                     "<font>\r\n"
                     "\t<common>\r\n"
                     "\t\t<lineHeight>32</lineHeight>\r\n"
                     "\t\t<e></e>\r\n"
                     "\t</common>\r\n"
                     "\t<pages>\r\n"
                     "\t\t<page>\r\n"
                     "\t\t\t<file>a b.png</file>\r\n"
                     "\t\t</page>\r\n"
                     "\t</pages>\r\n"
                     "\t<t>\r\n"
                     "\t\t<k>v</k>\r\n"
                     "\t\t<ORIG_DATA>x &amp; y</ORIG_DATA>\r\n"
                     "\t</t>\r\n"
                     "\t<empty>\r\n"
                     "\t</empty>\r\n"
                     "</font>\r\n");
}

TEST(XmlWrite, IndentValueNodesAndNamelessNodes)
{
    CVortanXMLDataNode size("$size");
    size.SetValueText("12", 0);
    int result = 0;
    EXPECT_EQ(WriteToString(size, 0, 2, &result), "\t\t<size>12</size>\r\n");
    EXPECT_EQ(result, VORTAN_OK);
    CVortanXMLDataNode nameless;
    EXPECT_EQ(WriteToString(nameless, 1, 0, &result),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\" ?>\r\n");
    EXPECT_EQ(result, VORTAN_E_RANGE);
    EXPECT_EQ(nameless.Write(nullptr, 0, 0), VORTAN_E_ARGUMENT);
    CVortanXMLDataNode parent("p");
    parent.AddChild("a");
    parent.AddChild(nullptr); // nameless children are skipped
    parent.AddChild("$b", "1");
    EXPECT_EQ(WriteToString(parent, 0, 1, &result),
              "\t<p>\r\n\t\t<a>\r\n\t\t</a>\r\n\t\t<b>1</b>\r\n\t</p>\r\n");
    // A short write is reported.
    char block[8];
    CVortanFile file;
    ASSERT_EQ(file.OpenMemory(block, sizeof(block), VORTAN_FILE_WRITE), VORTAN_OK);
    EXPECT_EQ(parent.Write(&file, 0, 0), VORTAN_E_FAIL);
}

TEST(XmlFile, LoadFileReadsFromThePosition)
{
    std::string text = "junk<a x=\"1\"/><b/>";
    CVortanFile file;
    ASSERT_EQ(file.OpenMemory(&text[0], (int)text.size(), VORTAN_FILE_READ), VORTAN_OK);
    file.Seek(4, VORTAN_SEEK_SET);
    CVortanXMLDataNode node;
    EXPECT_EQ(node.LoadFile(&file, 10), VORTAN_OK);
    EXPECT_EQ(CompactDocument(node), "a($x=1)");
    // n = 0: all that is left; nothing left: 3.
    CVortanXMLDataNode rest;
    EXPECT_EQ(rest.LoadFile(&file, 0), VORTAN_OK);
    EXPECT_EQ(CompactDocument(rest), "b()");
    EXPECT_EQ(rest.LoadFile(&file, 0), VORTAN_E_RANGE);
    EXPECT_EQ(rest.LoadFile(nullptr, 0), VORTAN_E_ARGUMENT);
    // A position before the start leaves nothing to read, however far out it is.
    file.Seek(INT_MIN, VORTAN_SEEK_SET);
    EXPECT_EQ(rest.LoadFile(&file, 0), VORTAN_E_RANGE);
    // n beyond the end is bounded by what is there; the caller's block is not changed.
    file.Seek(0, VORTAN_SEEK_SET);
    CVortanXMLDataNode all("doc", &file);
    EXPECT_EQ(Compact(&all), "doc(a($x=1),b())");
    EXPECT_EQ(text, "junk<a x=\"1\"/><b/>");
}

TEST(XmlFile, LoadFromPath)
{
    vtest::TempDir dir;
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("f x.xml"), "<!-- c --><r a=\"1\"/>"));
    ASSERT_TRUE(vtest::WriteWholeFile(dir.File("empty.xml"), ""));
    CVortanXMLDataNode node;
    EXPECT_EQ(node.LoadFromPath(CVortanString(dir.File("f x.xml").c_str())), VORTAN_OK);
    EXPECT_EQ(CompactDocument(node), "r($a=1)");
    EXPECT_EQ(node.LoadFromPath(CVortanString(dir.File("missing.xml").c_str())), VORTAN_E_OPEN);
    EXPECT_EQ(node.LoadFromPath(CVortanString(dir.File("empty.xml").c_str())), VORTAN_E_RANGE);
    // The file on disk is untouched by the comment pass.
    EXPECT_EQ(vtest::ReadWholeFile(dir.File("f x.xml")), "<!-- c --><r a=\"1\"/>");
}

TEST(XmlFile, ReadTokenBraceForm)
{
    std::string text = "; a comment line\r\nfont { $size = \"12\" $name=\"Sans\" ;x\n inner{ } }";
    CVortanFile file;
    ASSERT_EQ(file.OpenMemory(&text[0], (int)text.size(), VORTAN_FILE_READ), VORTAN_OK);
    char token[16];
    auto readValue = [&file]() {
        std::string value;
        char c;
        while (file.Read(&c, 1) == 1 && c != '"')
            value += c;
        return value;
    };
    auto next = [&]() {
        int n = CVortanXMLDataNode::ReadToken(&file, token, sizeof(token));
        return n ? std::to_string(n) + ":" + token : std::string("0");
    };
    EXPECT_EQ(next(), "4:font");
    EXPECT_EQ(next(), "5:$size");
    EXPECT_EQ(readValue(), "12");
    EXPECT_EQ(next(), "5:$name");
    EXPECT_EQ(readValue(), "Sans");
    EXPECT_EQ(next(), "5:inner");
    EXPECT_EQ(next(), "0");
    // A token longer than the buffer is cut to fit.
    std::string longText = "abcdefghijklmnopqrstuvwxyz {";
    CVortanFile longFile;
    ASSERT_EQ(longFile.OpenMemory(&longText[0], (int)longText.size(), VORTAN_FILE_READ), VORTAN_OK);
    char small[4];
    EXPECT_EQ(CVortanXMLDataNode::ReadToken(&longFile, small, sizeof(small)), 3);
    EXPECT_STREQ(small, "abc");
    EXPECT_EQ(CVortanXMLDataNode::ReadToken(&longFile, small, sizeof(small)), 0);
}

} // namespace
