// The level editor through the game host's pointer entries (fingers 0-2, stand-in clock, null
// graphics): placing from the palette on the 1/128 grid, moving, deleting, the material,
// variant and layer controls, the 224th block refused and a freed id reused, markers toggled
// by finger 2, squibs dragged but never deleted, the stop control, the back key ignored; and
// the saved "newscene.scn", checked by an independent reader of the scene format and read
// back, written through a temporary file (a failed write keeps the old file) and, where the
// program's directory cannot be written, in the user-data directory.
#include <gtest/gtest.h>

#include <dirent.h>
#include <math.h>
#include <pwd.h>
#include <signal.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "game/VexBlockList.h"
#include "game/VexEditState.h"
#include "game/VexPhysicsBody.h"
#include "game/VexRenderer.h"
#include "game/VexScene.h"
#include "tests/game/ScreenTestSupport.h"

namespace {

const float kScale = 3.2f;

class Editor : public stest::Screens {
protected:
    void SetUp() override
    {
        stest::Screens::SetUp();
        // The menu reports next state 1 (no button of it does).
        CVexButton editorButton;
        editorButton.id = VEX_MENU_BUTTON_EDITOR;
        Menu()->OnButtonClicked(&editorButton);
        Steps(2);
        ASSERT_NE(nullptr, Ed());
        Steps(2);
    }
    CVexEditState* Ed() const { return dynamic_cast<CVexEditState*>(Screen(VEX_STATE_EDIT)); }
    CVexBlockList* Blocks() const { return Ed()->GetScene()->GetBlocks(); }
    CVexCamera& Camera() { return game.GetRenderer()->GetCamera(); }
    CVortanVector2 World(float x, float y)
    {
        CVortanVector2 w;
        Camera().ScreenToWorld(CVortanVector2(x, y), w);
        return w;
    }
    // Where the game writes "newscene.scn": beside the program (the build's directory).
    std::string BesideProgram()
    {
        CVortanString path;
        app.IVortanApplication::GetResourcePath(path, htest::S("newscene.scn"));
        return VortanUTF8Of(path);
    }
    CVortanVector2 ScreenOf(const CVortanVector2& world)
    {
        CVortanVector2 s;
        Camera().WorldToScreen(world, s);
        return s;
    }
    static CVortanVector2 Mid(const CVexEditRect& r)
    {
        return CVortanVector2((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    void TapAt(const CVortanVector2& p, int id = 0) { Tap(p.x, p.y, id); }
    CVexBlock* Selected() const { return Blocks()->FindById(Ed()->GetScene()->GetSelectedBlock()); }
    void Move(float x, float y)
    {
        game.OnPointerMove(0, (int)x, (int)y);
        Steps(1);
    }
};

// On the grid: a whole number of 1/128 steps of the world scale, the floor of the point.
void ExpectFloorOnGrid(const CVortanVector2& placed, const CVortanVector2& point)
{
    for (float v : {placed.x, placed.y}) {
        const double steps = (double)v / kScale * 128.0;
        EXPECT_NEAR(steps, round(steps), 1e-3) << v;
    }
    EXPECT_LE(placed.x, point.x + 1e-5f);
    EXPECT_GT(placed.x, point.x - kScale / 128.0f);
    EXPECT_LE(placed.y, point.y + 1e-5f);
    EXPECT_GT(placed.y, point.y - kScale / 128.0f);
}

TEST_F(Editor, ThePaletteTheGridMovingDeletingAndTheBlockControls)
{
    // Cell 5 of the palette along the top: s = 50, centre (125 + 110 x 5, 55).
    EXPECT_FLOAT_EQ(110.0f, Ed()->GetPaletteBand());
    CVortanVector2 cell = Mid(Ed()->GetCell(5));
    EXPECT_FLOAT_EQ(675.0f, cell.x);
    EXPECT_FLOAT_EQ(55.0f, cell.y);
    Down(cell.x, cell.y);
    EXPECT_TRUE(Ed()->IsPaletteDrag());
    Move(400, 300); // out of the band: the picked shape is placed under the finger
    ASSERT_EQ(1, Blocks()->GetCount());
    CVexBlock* block = Blocks()->GetAt(0);
    EXPECT_EQ(5u, block->shape);
    EXPECT_EQ(5, Ed()->GetCurrentShape());
    EXPECT_EQ(0, block->material);
    EXPECT_EQ(0, block->variant);
    EXPECT_EQ(1, block->layer);
    EXPECT_EQ(block->id, Ed()->GetScene()->GetSelectedBlock());
    ExpectFloorOnGrid(block->body->position, World(400, 300));
    // Dragged on, it follows on the grid.
    Move(450, 330);
    ExpectFloorOnGrid(block->body->position, World(450, 330));
    Up();

    // With the block selected, the controls set its bytes and the current values.
    TapAt(Mid(Ed()->GetMaterialArea(3)));
    TapAt(Mid(Ed()->GetVariantArea(2)));
    TapAt(Mid(Ed()->GetLayerArea(0)));
    EXPECT_EQ(3, block->material);
    EXPECT_EQ(2, block->variant);
    EXPECT_EQ(0, block->layer);
    EXPECT_EQ(1, Blocks()->GetCount()); // a control is no place in the world

    // Finger 1 places a block of the current kind.
    Tap(200, 380, 1);
    ASSERT_EQ(2, Blocks()->GetCount());
    CVexBlock* second = Blocks()->GetAt(1);
    EXPECT_EQ(5u, second->shape);
    EXPECT_EQ(3, second->material);
    EXPECT_EQ(2, second->variant);
    EXPECT_EQ(0, second->layer);
    ExpectFloorOnGrid(second->body->position, World(200, 380));
    EXPECT_EQ(second->id, Ed()->GetScene()->GetSelectedBlock());

    // Changing the current values, then touching the first block takes its values back.
    TapAt(Mid(Ed()->GetMaterialArea(1)));
    EXPECT_EQ(1, second->material);
    Tap(10, 200); // empty world: nothing selected
    EXPECT_EQ(-1, Ed()->GetScene()->GetSelectedBlock());
    TapAt(Mid(Ed()->GetMaterialArea(0)));
    EXPECT_EQ(0, Ed()->GetCurrentMaterial());
    TapAt(ScreenOf(block->body->position));
    EXPECT_EQ(block->id, Ed()->GetScene()->GetSelectedBlock());
    EXPECT_EQ(3, Ed()->GetCurrentMaterial());
    EXPECT_EQ(0, Ed()->GetCurrentLayer());

    // Moving keeps the offset between the finger and the block's centre.
    const CVortanVector2 grab = ScreenOf(block->body->position);
    const CVortanVector2 before = block->body->position;
    Down(grab.x + 3, grab.y + 2);
    Move(grab.x + 43, grab.y + 2);
    Up();
    const CVortanVector2 moved = block->body->position;
    EXPECT_NEAR(before.y, moved.y, kScale / 128.0f + 1e-5f);
    EXPECT_NEAR(before.x + (World(40, 0).x - World(0, 0).x), moved.x, kScale / 128.0f + 1e-5f);

    // Delete (only with a block selected).
    const int id = block->id;
    TapAt(Mid(Ed()->GetDeleteArea()));
    EXPECT_EQ(1, Blocks()->GetCount());
    EXPECT_EQ(nullptr, Blocks()->FindById(id));
    EXPECT_EQ(-1, Ed()->GetScene()->GetSelectedBlock());
    TapAt(Mid(Ed()->GetDeleteArea()));
    EXPECT_EQ(1, Blocks()->GetCount());

    // Guides, mirror and counters; the back key and typed characters do nothing.
    EXPECT_TRUE(Ed()->HasGuides());
    TapAt(Mid(Ed()->GetGuidesArea()));
    EXPECT_FALSE(Ed()->HasGuides());
    TapAt(Mid(Ed()->GetMirrorArea()));
    EXPECT_TRUE(Ed()->IsMirror());
    TapAt(Mid(Ed()->GetHideArea()));
    EXPECT_TRUE(Ed()->AreCountersHidden());
    BackKey();
    EXPECT_EQ(1, Ed()->OnChar('x'));
    Steps(3);
    EXPECT_FALSE(Ed()->IsDone());
}

TEST_F(Editor, The224thBlockIsRefusedAndAFreedIdIsTakenAgain)
{
    for (int i = 0; i < VEX_BLOCK_MAX; ++i)
        Tap(200, 380, 1);
    ASSERT_EQ(VEX_BLOCK_MAX, Blocks()->GetCount());
    EXPECT_EQ(VEX_BLOCK_LAST_ID, Ed()->GetScene()->GetSelectedBlock());
    Tap(200, 380, 1);
    EXPECT_EQ(VEX_BLOCK_MAX, Blocks()->GetCount());
    EXPECT_EQ(-1, Ed()->GetScene()->GetSelectedBlock());

    // The refused touch began a palette drag, which the next touch ends. Then a touch picks
    // the topmost block there (the last placed); deleted, its id is free again.
    Tap(200, 380);
    EXPECT_FALSE(Ed()->IsPaletteDrag());
    Tap(200, 380);
    ASSERT_EQ(VEX_BLOCK_LAST_ID, Ed()->GetScene()->GetSelectedBlock());
    TapAt(Mid(Ed()->GetDeleteArea()));
    EXPECT_EQ(VEX_BLOCK_MAX - 1, Blocks()->GetCount());
    Tap(200, 380, 1);
    EXPECT_EQ(VEX_BLOCK_MAX, Blocks()->GetCount());
    EXPECT_EQ(VEX_BLOCK_LAST_ID, Ed()->GetScene()->GetSelectedBlock());
    // Freed in the middle, the smallest free id comes next.
    Blocks()->RemoveById(40);
    Tap(200, 380, 1);
    EXPECT_EQ(40, Ed()->GetScene()->GetSelectedBlock());
}

TEST_F(Editor, FingerTwoTogglesMarkersOnTheRoundedGrid)
{
    CVexScene* scene = Ed()->GetScene();
    Tap(500, 200, 2);
    ASSERT_EQ(1, scene->GetMarkerCount());
    CVortanVector2 snapped;
    Camera().SnapRound(World(500, 200), snapped);
    EXPECT_EQ(snapped.x, scene->GetMarker(0)->centre.x);
    EXPECT_EQ(snapped.y, scene->GetMarker(0)->centre.y);
    EXPECT_FLOAT_EQ(0.03f, scene->GetMarker(0)->halfSize.x);
    Tap(600, 250, 2);
    EXPECT_EQ(2, scene->GetMarkerCount());
    Tap(500, 200, 2); // on the first: removed
    ASSERT_EQ(1, scene->GetMarkerCount());
    EXPECT_EQ(0, Blocks()->GetCount());
}

TEST_F(Editor, ASquibIsDraggedButLendsNoValuesAndIsNeverDeleted)
{
    CVexScene* scene = Ed()->GetScene();
    CVexPhysicsBody* squib = scene->GetPlayer(0).body;
    ASSERT_NE(nullptr, squib);
    TapAt(Mid(Ed()->GetMaterialArea(2)));
    const CVortanVector2 at = ScreenOf(squib->position);
    Down(at.x, at.y);
    EXPECT_EQ(squib, Ed()->GetSelected());
    EXPECT_EQ(-1, scene->GetSelectedBlock());
    EXPECT_EQ(2, Ed()->GetCurrentMaterial());
    Move(at.x + 60, at.y - 30);
    Up();
    ExpectFloorOnGrid(squib->position, World(at.x + 60, at.y - 30));
    TapAt(Mid(Ed()->GetDeleteArea()));
    EXPECT_EQ(squib, scene->GetPlayer(0).body);
    EXPECT_EQ(0, Blocks()->GetCount());
}

// The fields of a scene file as an independent reader of the format finds them, compared with
// a source written from what the editor holds.
std::string CheckWithReader(const std::string& source, const std::string& file)
{
    std::string out;
    vtest::RunProgram({vtest::Python(), std::string(VORTAN_SOURCE_DIR) + "/tests/tools/scnread.py",
                       "--check", source, file},
                      &out);
    return out;
}

std::string Source(CVexScene* scene)
{
    static const char* const kMaterials[] = {"paper", "metal", "ice", "bouncy"};
    std::string text;
    char line[160];
    for (int p = 0; p < 2; ++p)
        for (int k = 0; k < 3; ++k) {
            const CVortanVector2& v = scene->GetPlayer(p).body->position;
            snprintf(line, sizeof line, "spawn %d %.9g %.9g\n", p, v.x, v.y);
            text += line;
        }
    for (int i = 0; i < scene->GetBlocks()->GetCount(); ++i) {
        const CVexBlock* b = scene->GetBlocks()->GetAt(i);
        snprintf(line, sizeof line, "block %.9g %.9g %u %s %d %d\n", b->body->position.x,
                 b->body->position.y, b->shape, kMaterials[b->material], b->variant, b->layer);
        text += line;
    }
    for (int i = 0; i < scene->GetMarkerCount(); ++i) {
        snprintf(line, sizeof line, "marker %.9g %.9g\n", scene->GetMarker(i)->centre.x,
                 scene->GetMarker(i)->centre.y);
        text += line;
    }
    return text;
}

TEST_F(Editor, LeavingWritesTheSceneThatAnIndependentReaderAndTheGameReadBack)
{
    CVexScene* scene = Ed()->GetScene();
    TapAt(Mid(Ed()->GetMaterialArea(1)));
    TapAt(Mid(Ed()->GetVariantArea(2)));
    Tap(200, 380, 1);
    Tap(10, 200); // nothing selected: the next values are for the next block only
    TapAt(Mid(Ed()->GetMaterialArea(3)));
    TapAt(Mid(Ed()->GetLayerArea(2)));
    Tap(520, 260, 1);
    Tap(300, 150, 2);
    const CVortanVector2 squib = ScreenOf(scene->GetPlayer(1).body->position);
    Down(squib.x, squib.y);
    Move(squib.x + 50, squib.y);
    Up();
    ASSERT_EQ(2, Blocks()->GetCount());
    const std::string source = Source(scene);
    ASSERT_TRUE(vtest::WriteWholeFile(app.dir.File("expected.txt"), source));
    const std::vector<u32> shapes = {Blocks()->GetAt(0)->shape, Blocks()->GetAt(1)->shape};

    // Stopped, the editor takes nothing more but its leave control.
    TapAt(Mid(Ed()->GetStopArea()));
    EXPECT_TRUE(Ed()->IsStopped());
    Tap(400, 330, 1);
    TapAt(Mid(Ed()->GetMaterialArea(0)));
    EXPECT_EQ(2, Blocks()->GetCount());
    TapAt(Mid(Ed()->GetLeaveArea()));
    Steps(2);
    EXPECT_EQ(nullptr, Ed());
    EXPECT_NE(nullptr, Menu());
    const std::string path = BesideProgram();
    EXPECT_EQ("ok\n", CheckWithReader(app.dir.File("expected.txt"), path)) << source;
    EXPECT_EQ("v110", vtest::ReadWholeFile(path).substr(0, 4));

    // The game reads it back.
    CVexButton editorButton;
    editorButton.id = VEX_MENU_BUTTON_EDITOR;
    Menu()->OnButtonClicked(&editorButton);
    Steps(3);
    ASSERT_NE(nullptr, Ed());
    EXPECT_FALSE(Ed()->IsStopped());
    ASSERT_EQ(1, Ed()->GetScene()->LoadSceneFile(htest::S("newscene.scn")));
    ASSERT_EQ(2, Blocks()->GetCount());
    EXPECT_EQ(shapes[0], Blocks()->GetAt(0)->shape);
    EXPECT_EQ(1, Blocks()->GetAt(0)->material);
    EXPECT_EQ(2, Blocks()->GetAt(0)->variant);
    EXPECT_EQ(3, Blocks()->GetAt(1)->material);
    EXPECT_EQ(2, Blocks()->GetAt(1)->layer);
    EXPECT_EQ(1, Ed()->GetScene()->GetMarkerCount());
    unlink(path.c_str());
}

// The scene files (and their temporary files) in a directory.
std::set<std::string> Files(const std::string& dir)
{
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (struct dirent* e = readdir(d))
            if (std::string(e->d_name).rfind("newscene", 0) == 0)
                names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

TEST_F(Editor, AFailedWriteKeepsTheOldFileAndLeavesNoTemporaryFile)
{
    for (int i = 0; i < 30; ++i)
        Tap(100 + 20 * i, 380, 1);
    const std::string path = BesideProgram();
    const std::string dir = path.substr(0, path.rfind('/'));
    ASSERT_TRUE(vtest::WriteWholeFile(path, "old contents"));
    const std::set<std::string> before = Files(dir);
    struct rlimit saved;
    ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 200; // the scene needs 123 + 18 + 30 x 6 + 1 bytes
    ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
    TapAt(Mid(Ed()->GetLeaveArea()));
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_EQ("old contents", vtest::ReadWholeFile(path));
    EXPECT_EQ(before, Files(dir));
    unlink(path.c_str());
}

TEST_F(Editor, WhereTheProgramsDirectoryCannotBeWrittenTheSceneGoesToTheUserData)
{
    // Run as an unprivileged user (root writes where mode bits say no): the program's
    // directory (the build's, owned by root) is not its to write, the home directory is.
    if (getuid() != 0)
        GTEST_SKIP() << "needs to start as root to become another user";
    struct passwd* nobody = getpwnam("nobody");
    ASSERT_NE(nullptr, nobody);
    vtest::TempDir home;
    ASSERT_EQ(0, mkdir(home.File(".Zorbix").c_str(), 0700));
    ASSERT_EQ(0, chown(home.File(".Zorbix").c_str(), nobody->pw_uid, nobody->pw_gid));
    ASSERT_EQ(0, chmod(home.Path().c_str(), 0755));
    Tap(200, 380, 1);
    pid_t pid = fork();
    if (pid == 0) {
        setenv("HOME", home.Path().c_str(), 1);
        if (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)
            _exit(2);
        TapAt(Mid(Ed()->GetLeaveArea()));
        _exit(Ed() ? 3 : 0);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_FALSE(vtest::Exists(BesideProgram()));
    const std::string saved = vtest::ReadWholeFile(home.File(".Zorbix/newscene.scn"));
    EXPECT_EQ(123u + 6, saved.size()); // one block
}

TEST_F(Editor, AFingerInEmptySpacePansAndTwoFingersZoom)
{
    // At zoom 0.3 a pixel of finger movement moves the view by 0.01.
    Down(300, 300);
    Move(310, 300); // nothing under the finger: the view pans from now on
    ASSERT_TRUE(Ed()->IsPanning());
    const CVortanVector2 before = Camera().GetOffset();
    Move(330, 290);
    Move(350, 280);
    EXPECT_NEAR(before.x + 0.4f, Camera().GetOffset().x, 1e-4f);
    EXPECT_NEAR(before.y - 0.2f, Camera().GetOffset().y, 1e-4f);
    Up();
    EXPECT_FALSE(Ed()->IsPanning());
    EXPECT_EQ(0, Blocks()->GetCount());

    // Two fingers moving apart: the zoom grows by 1 % a pixel of distance gained.
    game.OnPointerDown(0, 300, 300);
    game.OnPointerDown(1, 400, 300);
    Steps(1);
    const float zoom = Camera().GetTargetZoom();
    game.OnPointerMove(1, 410, 300);
    Steps(1);
    EXPECT_NEAR(zoom * 1.1f, Camera().GetTargetZoom(), 1e-4f);
    game.OnPointerUp(0, 300, 300);
    game.OnPointerUp(1, 410, 300);
    Steps(2);
    EXPECT_EQ(0, Blocks()->GetCount()); // the second finger placed nothing while pinching
}

} // namespace
