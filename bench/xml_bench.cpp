// XML parse of a 1 MB layout-like document (ASCII only, with comments, attributes, texts of
// childless elements) into a tree, the same document for every parser:
//  - the engine's parser: tolerant, it checks nothing (no well-formedness, no end-tag names),
//    takes the bytes as they are, decodes the five entities in attribute values, blanks the
//    comments in the buffer first, and builds attributes as "$" value nodes in order and the
//    text of a childless element as "$ORIG_DATA";
//  - libexpat building the same tree: it checks that the document is well formed, which
//    cannot be switched off (hence the name); the encoding is given as UTF-8, so that the
//    declared ISO-8859-1 is not converted (the document is ASCII: the bytes are the same);
//  - pugixml parsing in place with only entity decoding on (no line-end or attribute
//    white-space conversion, no comment nodes, no white-space-only texts): its own tree.
// Each reports its node count (elements, attributes and texts); the peers stop with an error
// when theirs differs from the engine's. The copy of the document that an in-place parser
// overwrites and the freeing of the tree are not timed. Every parser runs under the heap
// setting of the program's start, so that none of them pays for the pages that the freeing
// of the previous tree handed back (which, without it, falls on whichever parser runs
// first in a fresh heap).
#include <string.h>

#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <expat.h>
#include <pugixml.hpp>

#include "engine/VortanXMLDataNode.h"
#include "engine/platform/VortanHeap.h"

namespace {

std::string MakeLayout(size_t targetBytes)
{
    static const char* types[] = {"button", "image", "text", "frame", "slider", "grid_layout"};
    std::string doc =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n<!-- generated layout -->\n<root>\n";
    unsigned seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) & 0x7FFF;
    };
    int area = 0;
    while (doc.size() < targetBytes) {
        doc += "\t<area width=\"" + std::to_string(480 + area) + "\" height=\"800\" name=\"area_" +
               std::to_string(area) + "\">\n";
        for (int e = 0; e < 40; e++) {
            std::string n = std::to_string(area * 100 + e);
            doc += "\t\t<element type=\"" + std::string(types[next() % 6]) + "\" name=\"widget_" +
                   n + "\" uniquename=\"u_" + n + "\" display=\"1\">\n";
            doc += "\t\t\t<position x=\"0." + std::to_string(next() % 1000) + "\" y=\"0." +
                   std::to_string(next() % 1000) + "\"/>\n";
            doc += "\t\t\t<size w=\"0." + std::to_string(next() % 1000) + "\" h=\"0." +
                   std::to_string(next() % 1000) + "\"/>\n";
            doc += "\t\t\t<image path=\"img_" + n +
                   ".png\" frames_x=\"2\" frames_y=\"1\" frame=\"-1\"/>\n";
            if (e % 4 == 0) {
                doc += "\t\t\t<label color=\"FF8800\">Caption text for widget " + n + "</label>\n";
            }
            if (e % 8 == 0) {
                doc += "\t\t\t<!-- events of " + n + " -->\n";
            }
            doc +=
                "\t\t\t<events>\n\t\t\t\t<onclick action=\"click_" + n + "\"/>\n\t\t\t</events>\n";
            doc += "\t\t</element>\n";
        }
        doc += "\t</area>\n";
        area++;
    }
    doc += "</root>\n";
    return doc;
}

const std::string& Layout()
{
    static const bool heap = (VortanKeepFrameHeap(), true); // as the program's start does
    (void)heap;
    static const std::string layout = MakeLayout(1 << 20);
    return layout;
}

int CountNodes(const CVortanXMLDataNode* node)
{
    int count = 1;
    for (const CVortanXMLDataNode* c = node->GetFirstChild(); c; c = c->GetNextSibling()) {
        count += CountNodes(c);
    }
    return count;
}

// Node count of the engine's tree of the document: what every parser must build.
int ReferenceNodes();

void BM_XmlParse_Vortan(benchmark::State& state)
{
    const std::string& layout = Layout();
    std::vector<char> buffer(layout.size());
    int nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        memcpy(buffer.data(), layout.data(), layout.size());
        CVortanXMLDataNode* document = new CVortanXMLDataNode();
        state.ResumeTiming();
        int result = document->LoadMemory(buffer.data(), (int)buffer.size());
        benchmark::DoNotOptimize(result);
        state.PauseTiming();
        nodes = CountNodes(document) - 1;
        delete document;
        state.ResumeTiming();
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)layout.size());
    state.counters["nodes"] = nodes;
}
BENCHMARK(BM_XmlParse_Vortan)->Unit(benchmark::kMillisecond);

int ReferenceNodes()
{
    static int nodes = -1;
    if (nodes < 0) {
        std::vector<char> buffer(Layout().begin(), Layout().end());
        CVortanXMLDataNode document;
        nodes = document.LoadMemory(buffer.data(), (int)buffer.size()) == VORTAN_OK
                    ? CountNodes(&document) - 1
                    : 0;
    }
    return nodes;
}

// The same tree shape for the expat side: name, content, next sibling, virtual destructor.
struct ExpatNode {
    virtual ~ExpatNode()
    {
        bool value = name && name[0] == '$';
        delete[] name;
        if (value) {
            delete[] static_cast<char*>(content);
        } else {
            ExpatNode* c = static_cast<ExpatNode*>(content);
            while (c) {
                ExpatNode* next = c->next;
                delete c;
                c = next;
            }
        }
    }
    char* name = nullptr;
    void* content = nullptr;
    ExpatNode* next = nullptr;
};

char* Copy(const char* text, size_t length, bool dollar)
{
    char* out = new char[length + (dollar ? 2 : 1)];
    char* o = out;
    if (dollar) {
        *o++ = '$';
    }
    memcpy(o, text, length);
    o[length] = 0;
    return out;
}

struct ExpatBuilder {
    struct Open {
        ExpatNode* node;
        ExpatNode** tail;
        bool hasChildren;
        std::string text;
    };
    ExpatNode document;
    ExpatNode** topTail = reinterpret_cast<ExpatNode**>(&document.content);
    std::vector<Open> open;

    static void Start(void* user, const XML_Char* name, const XML_Char** attributes)
    {
        ExpatBuilder* b = static_cast<ExpatBuilder*>(user);
        ExpatNode* node = new ExpatNode();
        node->name = Copy(name, strlen(name), false);
        ExpatNode** tail = reinterpret_cast<ExpatNode**>(&node->content);
        for (const XML_Char** a = attributes; *a; a += 2) {
            ExpatNode* attribute = new ExpatNode();
            attribute->name = Copy(a[0], strlen(a[0]), true);
            size_t length = strlen(a[1]);
            if (length) {
                attribute->content = Copy(a[1], length, false);
            }
            *tail = attribute;
            tail = &attribute->next;
        }
        if (b->open.empty()) {
            *b->topTail = node;
            b->topTail = &node->next;
        } else {
            Open& parent = b->open.back();
            parent.hasChildren = true;
            *parent.tail = node;
            parent.tail = &node->next;
        }
        b->open.push_back(Open{node, tail, false, std::string()});
    }
    static void End(void* user, const XML_Char*)
    {
        ExpatBuilder* b = static_cast<ExpatBuilder*>(user);
        Open& top = b->open.back();
        if (!top.hasChildren && !top.text.empty()) {
            ExpatNode* text = new ExpatNode();
            text->name = Copy("ORIG_DATA", 9, true);
            text->content = Copy(top.text.data(), top.text.size(), false);
            *top.tail = text;
        }
        b->open.pop_back();
    }
    static void Text(void* user, const XML_Char* text, int length)
    {
        ExpatBuilder* b = static_cast<ExpatBuilder*>(user);
        if (!b->open.empty() && !b->open.back().hasChildren) {
            b->open.back().text.append(text, (size_t)length);
        }
    }
};

int CountExpatNodes(const ExpatNode* node)
{
    int count = 1;
    if (!(node->name && node->name[0] == '$')) {
        for (const ExpatNode* c = static_cast<const ExpatNode*>(node->content); c; c = c->next) {
            count += CountExpatNodes(c);
        }
    }
    return count;
}

void BM_XmlParse_Expat_CheckingWellFormedness(benchmark::State& state)
{
    const std::string& layout = Layout();
    int nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ExpatBuilder* builder = new ExpatBuilder();
        state.ResumeTiming();
        XML_Parser parser = XML_ParserCreate("UTF-8");
        XML_SetUserData(parser, builder);
        XML_SetElementHandler(parser, ExpatBuilder::Start, ExpatBuilder::End);
        XML_SetCharacterDataHandler(parser, ExpatBuilder::Text);
        int status = XML_Parse(parser, layout.data(), (int)layout.size(), 1);
        XML_ParserFree(parser);
        benchmark::DoNotOptimize(status);
        state.PauseTiming();
        if (status != XML_STATUS_OK) {
            state.SkipWithError("expat refused the document");
        }
        nodes = CountExpatNodes(&builder->document) - 1;
        delete builder;
        state.ResumeTiming();
    }
    if (nodes != ReferenceNodes())
        state.SkipWithError("expat built another number of nodes");
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)layout.size());
    state.counters["nodes"] = nodes;
}
BENCHMARK(BM_XmlParse_Expat_CheckingWellFormedness)->Unit(benchmark::kMillisecond);

// Elements, attributes and texts below the node.
int CountPugiNodes(const pugi::xml_node& node)
{
    int count = 0;
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
        count++;
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        count++;
        if (c.type() == pugi::node_element)
            count += CountPugiNodes(c);
    }
    return count;
}

void BM_XmlParse_Pugixml(benchmark::State& state)
{
    const std::string& layout = Layout();
    std::vector<char> buffer(layout.size());
    int nodes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        memcpy(buffer.data(), layout.data(), layout.size());
        pugi::xml_document* document = new pugi::xml_document();
        state.ResumeTiming();
        pugi::xml_parse_result result = document->load_buffer_inplace(
            buffer.data(), buffer.size(), pugi::parse_minimal | pugi::parse_escapes,
            pugi::encoding_utf8);
        benchmark::DoNotOptimize(result.status);
        state.PauseTiming();
        if (!result)
            state.SkipWithError("pugixml refused the document");
        nodes = CountPugiNodes(*document);
        delete document;
        state.ResumeTiming();
    }
    if (nodes != ReferenceNodes())
        state.SkipWithError("pugixml built another number of nodes");
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)layout.size());
    state.counters["nodes"] = nodes;
}
BENCHMARK(BM_XmlParse_Pugixml)->Unit(benchmark::kMillisecond);

} // namespace
