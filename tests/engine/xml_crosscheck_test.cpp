// Cross-check of the XML tree against Python's xml.etree over the corpus in tests/data/xml,
// and robustness of the parser on truncated, mutated and random input.
#include <dirent.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/VortanFile.h"
#include "engine/VortanString.h"
#include "engine/VortanXMLDataNode.h"
#include "tests/support/TestSupport.h"

namespace {

std::string CorpusDir()
{
    return vtest::SourceDir() + "/tests/data/xml";
}
std::string DumpScript()
{
    return vtest::SourceDir() + "/tests/engine/xml_etree_dump.py";
}

// The corpus holds at least this many files; every loop over it checks that it saw them.
const size_t kCorpusFiles = 8;

std::vector<std::string> CorpusFiles()
{
    std::vector<std::string> files;
    if (DIR* dir = opendir(CorpusDir().c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name[0] != '.')
                files.push_back(name);
        }
        closedir(dir);
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Escape(const char* text)
{
    std::string out;
    char hex[8];
    for (const unsigned char* p = (const unsigned char*)(text ? text : ""); *p; p++) {
        snprintf(hex, sizeof(hex), "\\x%02X", *p);
        out += *p == '\\' ? "\\\\" : *p >= 0x20 && *p < 0x7F ? std::string(1, (char)*p) : hex;
    }
    return out;
}

void Dump(const CVortanXMLDataNode* node, int depth, std::string& out)
{
    out += "T " + std::string((size_t)depth * 2, ' ');
    if (node->IsValueNode()) {
        out += "V " + Escape(node->GetName()) + "=" + Escape(node->GetValueText()) + "\n";
        return;
    }
    out += "E " + Escape(node->GetName()) + "\n";
    for (const CVortanXMLDataNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
        Dump(c, depth + 1, out);
}

std::string DumpDocument(const CVortanXMLDataNode& document)
{
    std::string out;
    for (const CVortanXMLDataNode* c = document.GetFirstChild(); c; c = c->GetNextSibling())
        Dump(c, 0, out);
    return out;
}

// What etree reads back from the writer's output: every value node is an element of the name
// without "$" holding its text; an element without children holds the line break and the
// indentation of its end tag.
void DumpWritten(const CVortanXMLDataNode* node, int depth, std::string& out)
{
    std::string pad((size_t)depth * 2, ' ');
    const char* name = node->GetName();
    if (node->IsValueNode()) {
        out += "T " + pad + "E " + Escape(name + 1) + "\n";
        if (node->GetValueText() && node->GetValueText()[0])
            out += "T " + pad + "  V $ORIG_DATA=" + Escape(node->GetValueText()) + "\n";
        return;
    }
    out += "T " + pad + "E " + Escape(name) + "\n";
    if (!node->GetFirstChild()) {
        out += "T " + pad + "  V $ORIG_DATA=\\x0A";
        for (int i = 0; i < depth; i++)
            out += "\\x09";
        out += "\n";
    }
    for (const CVortanXMLDataNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
        DumpWritten(c, depth + 1, out);
}

struct PythonFile {
    std::string tree;
    std::vector<std::string> checks;
};

// Runs the etree dump over the given paths; results keyed by path.
std::map<std::string, PythonFile> RunDump(const std::vector<std::string>& paths)
{
    std::vector<std::string> argv{vtest::Python(), DumpScript()};
    argv.insert(argv.end(), paths.begin(), paths.end());
    std::string out;
    EXPECT_EQ(vtest::RunProgram(argv, &out), 0) << out;
    std::map<std::string, PythonFile> result;
    std::istringstream in(out);
    PythonFile* current = nullptr;
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, 5, "FILE ") == 0)
            current = &result[line.substr(5)];
        else if (current && line.compare(0, 2, "T ") == 0)
            current->tree += line + "\n";
        else if (current && line.compare(0, 2, "C ") == 0)
            current->checks.push_back(line.substr(2));
    }
    return result;
}

std::vector<char> Bytes(const std::string& text)
{
    return std::vector<char>(text.begin(), text.end());
}

const CVortanXMLDataNode* NodeAt(const CVortanXMLDataNode& document, const std::string& path)
{
    const CVortanXMLDataNode* node = &document;
    std::istringstream in(path);
    std::string part;
    while (node && std::getline(in, part, ',')) {
        int index = std::stoi(part);
        node = node->GetFirstChild();
        while (node && index-- > 0)
            node = node->GetNextSibling();
    }
    return node;
}

u32 FloatBits(float f)
{
    u32 bits;
    memcpy(&bits, &f, sizeof(bits));
    return bits;
}

bool HasMarkup(const CVortanXMLDataNode* node)
{
    const char* text = node->GetValueText();
    if (text && (strchr(text, '<') || strchr(text, '&')))
        return true;
    for (const CVortanXMLDataNode* c = node->GetFirstChild(); c; c = c->GetNextSibling())
        if (HasMarkup(c))
            return true;
    return false;
}

TEST(XmlCrossCheck, CorpusTreesEqualEtree)
{
    std::vector<std::string> files = CorpusFiles();
    ASSERT_GE(files.size(), kCorpusFiles);
    std::vector<std::string> paths;
    for (const std::string& f : files)
        paths.push_back(CorpusDir() + "/" + f);
    std::map<std::string, PythonFile> expected = RunDump(paths);
    ASSERT_EQ(expected.size(), files.size());
    int checked = 0;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        std::vector<char> bytes = Bytes(vtest::ReadWholeFile(path));
        ASSERT_FALSE(bytes.empty());
        CVortanXMLDataNode document;
        ASSERT_EQ(document.LoadMemory(bytes.data(), (int)bytes.size()), VORTAN_OK);
        const PythonFile& py = expected[path];
        EXPECT_EQ(DumpDocument(document), py.tree);
        for (const std::string& check : py.checks) {
            SCOPED_TRACE(check);
            std::istringstream in(check);
            std::string where, kind;
            in >> where >> kind;
            const CVortanXMLDataNode* node = NodeAt(document, where);
            ASSERT_NE(node, nullptr);
            if (kind == "I") {
                int value;
                in >> value;
                EXPECT_EQ(node->GetInt(nullptr, -424242), value);
            } else if (kind == "F") {
                std::string hex;
                in >> hex;
                EXPECT_EQ(FloatBits(node->GetFloat(nullptr, -1.0f)),
                          (u32)std::stoul(hex, nullptr, 16));
            } else if (kind == "A") {
                int index, value;
                in >> index >> value;
                EXPECT_EQ(node->GetIntAt(nullptr, index, -424242), value);
            }
            checked++;
        }
    }
    EXPECT_GT(checked, 500);
}

TEST(XmlCrossCheck, WrittenDocumentsReadBackWithEtree)
{
    vtest::TempDir dir;
    std::vector<std::string> written;
    std::map<std::string, std::string> wanted;
    for (const std::string& f : CorpusFiles()) {
        std::vector<char> bytes = Bytes(vtest::ReadWholeFile(CorpusDir() + "/" + f));
        CVortanXMLDataNode document;
        ASSERT_EQ(document.LoadMemory(bytes.data(), (int)bytes.size()), VORTAN_OK);
        const CVortanXMLDataNode* root = document.GetFirstChild();
        if (HasMarkup(root)) {
            continue; // the writer writes texts verbatim: "<" and "&" would not read back
        }
        std::string out = dir.File(f + ".out");
        CVortanFile file;
        ASSERT_EQ(file.Open(CVortanString(out.c_str()), VORTAN_FILE_WRITE), VORTAN_OK);
        ASSERT_EQ(root->Write(&file, 1, 0), VORTAN_OK);
        file.Close();
        written.push_back(out);
        DumpWritten(root, 0, wanted[out]);
    }
    ASSERT_GE(written.size(), 6u);
    std::map<std::string, PythonFile> expected = RunDump(written);
    for (const std::string& out : written) {
        SCOPED_TRACE(out);
        EXPECT_EQ(expected[out].tree, wanted[out]);
    }
}

// Parses a copy of `text` held in a buffer of exactly its size (ASan sees any over-read),
// then walks everything the tree offers.
void ParseAndExercise(const std::string& text, std::mt19937& random)
{
    char* buffer = new char[text.empty() ? 1 : text.size()];
    if (!text.empty())
        memcpy(buffer, text.data(), text.size());
    CVortanXMLDataNode document;
    int result = document.LoadMemory(buffer, (int)text.size());
    delete[] buffer;
    ASSERT_TRUE(result == VORTAN_OK || result == VORTAN_E_MALFORMED) << result;
    ASSERT_EQ(result == VORTAN_OK, document.GetChildCount() > 0);
    std::vector<const CVortanXMLDataNode*> nodes{&document};
    for (size_t i = 0; i < nodes.size(); i++) {
        for (const CVortanXMLDataNode* c = nodes[i]->GetFirstChild(); c; c = c->GetNextSibling())
            nodes.push_back(c);
    }
    for (const CVortanXMLDataNode* node : nodes) {
        int values[4];
        node->GetInt(nullptr, 0);
        node->GetFloat(nullptr, 0.0f);
        node->GetIntAt(nullptr, (int)(random() % 4), 0);
        node->GetFloatAt(nullptr, (int)(random() % 4), 0.0f);
        node->GetIntArray(nullptr, values, 4, nullptr);
        node->GetValueNode(nullptr, nullptr);
        if (node->GetName())
            document.FindChild(node->GetName(), 1);
    }
    CVortanXMLDataNode* copy = document.Clone();
    ASSERT_EQ(DumpDocument(*copy), DumpDocument(document));
    delete copy;
    static char sink[1 << 16];
    CVortanFile file;
    ASSERT_EQ(file.OpenMemory(sink, sizeof(sink), VORTAN_FILE_WRITE), VORTAN_OK);
    for (const CVortanXMLDataNode* c = document.GetFirstChild(); c; c = c->GetNextSibling())
        c->Write(&file, 1, 0);
}

TEST(XmlCrossCheck, TruncatedCorpusParsesClean)
{
    std::mt19937 random(1234);
    std::vector<std::string> files = CorpusFiles();
    ASSERT_GE(files.size(), kCorpusFiles);
    size_t parsed = 0;
    for (const std::string& f : files) {
        SCOPED_TRACE(f);
        std::string text = vtest::ReadWholeFile(CorpusDir() + "/" + f);
        ASSERT_FALSE(text.empty());
        size_t step = text.size() > 3000 ? 7 : 1;
        for (size_t n = 0; n <= text.size(); n += step) {
            ParseAndExercise(text.substr(0, n), random);
            if (HasFatalFailure())
                return;
            parsed++;
        }
    }
    EXPECT_GE(parsed, 1000u);
}

TEST(XmlCrossCheck, MutatedCorpusAndGarbageParseClean)
{
    std::mt19937 random(99);
    const char alphabet[] = "<>/=\"' \r\n\t!?-&;$abc123.,x";
    std::vector<std::string> corpus;
    for (const std::string& f : CorpusFiles())
        corpus.push_back(vtest::ReadWholeFile(CorpusDir() + "/" + f));
    ASSERT_GE(corpus.size(), kCorpusFiles);
    for (int round = 0; round < 1500; round++) {
        std::string text = corpus[random() % corpus.size()];
        int edits = 1 + (int)(random() % 12);
        for (int e = 0; e < edits && !text.empty(); e++) {
            size_t at = random() % text.size();
            switch (random() % 4) {
            case 0:
                text[at] = alphabet[random() % (sizeof(alphabet) - 1)];
                break;
            case 1:
                text.erase(at, 1 + random() % 16);
                break;
            case 2:
                text.insert(at, 1, alphabet[random() % (sizeof(alphabet) - 1)]);
                break;
            default:
                text[at] = (char)(random() & 0xFF);
                break;
            }
        }
        ParseAndExercise(text, random);
        if (HasFatalFailure())
            return;
    }
    for (int round = 0; round < 1500; round++) {
        std::string text(random() % 600, ' ');
        for (char& c : text)
            c = (random() % 3) ? alphabet[random() % (sizeof(alphabet) - 1)]
                               : (char)(random() & 0xFF);
        ParseAndExercise(text, random);
        if (HasFatalFailure())
            return;
    }
}

} // namespace
