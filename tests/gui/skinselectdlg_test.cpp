#include "dialogs/DialogCommands.h"
#include "dialogs/SkinSelectDlg.h"

#include "ModalScript.h"
#include "support/TempDir.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

std::string General(const std::string& category, const std::string& name,
                    const std::string& author = "") {
    std::string text = "[General]\n";
    if (!category.empty())
        text += "CategoryName=" + category + "\n";
    if (!name.empty())
        text += "SkinName=" + name + "\n";
    if (!author.empty())
        text += "Author=" + author + "\nVersion=1.0\nDescription=about " + name + "\n";
    return text;
}

// A skin folder that shows each listing rule once.
struct SkinFolder {
    TempDir dir;
    std::string root = dir.Path() + "/Skin/";
    std::string zeta = dir.Write("Skin/a/zeta.ini", General("Shared", "Zeta", "Ann"));
    std::string alpha = dir.Write("Skin/b/alpha.ini", General("Shared", "Alpha", "Ben"));
    std::string plain = dir.Write("Skin/c/plain.ini", "no sections at all\n");
    std::string named = dir.Write("Skin/d/cat.ini", General("Other", "Shared", "Cy"));
    std::string upper = dir.Write("Skin/d/LOUD.INI", General("Other", "", "Di"));
    SkinFolder() {
        dir.Write("Skin/top.ini", General("Top", "Top"));
        dir.Write("Skin/a/deep/deeper.ini", General("Deep", "Deep"));
        dir.Write("Skin/.hidden/h.ini", General("Hidden", "Hidden"));
        dir.Write("Skin/a/.h.ini", General("Hidden", "Hidden"));
        dir.Write("Skin/a/readme.txt", General("Text", "Text"));
    }
};

QStringList Tree(const QTreeWidget* tree) {
    QStringList lines;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* category = tree->topLevelItem(i);
        lines << category->text(0) + (category->isExpanded() ? "" : " (collapsed)");
        for (int k = 0; k < category->childCount(); ++k)
            lines << "  " + category->child(k)->text(0);
    }
    return lines;
}

QTreeWidgetItem* Node(QTreeWidget* tree, const QString& category, const QString& skin = {}) {
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        QTreeWidgetItem* c = tree->topLevelItem(i);
        if (c->text(0) != category)
            continue;
        if (skin.isEmpty())
            return c;
        for (int k = 0; k < c->childCount(); ++k)
            if (c->child(k)->text(0) == skin)
                return c->child(k);
    }
    return nullptr;
}

void Click(QTreeWidget* tree, QTreeWidgetItem* item) {
    ASSERT_NE(item, nullptr);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
}

// The main window's side of the skin commands, with a log of what it was asked to do.
struct Host {
    std::string loaded;
    std::vector<std::string> loads;
    int draws = 0;
    int trayUpdates = 0;
    dialogs::TSkinHost Make() {
        return {[this] { return loaded; },
                [this](const std::string& f) {
                    loads.push_back(f);
                    loaded = f;
                },
                [this] { ++draws; }, [this] { ++trayUpdates; }};
    }
};

} // namespace

TEST(SkinSelectDialog, ListsOneLevelDeepGroupedAndSorted) {
    SkinFolder skins;
    TSkinSelectDialog dialog(nullptr, skins.root);
    // Two skins share "Shared"; a skin named like a category gets no place in it; missing
    // names fall back to "名前なし" and the file name.
    EXPECT_EQ(Tree(dialog.TreeView1),
              QStringList({"Other", "  LOUD.INI", "  Shared", "Shared", "  Alpha", "  Zeta",
                           "名前なし", "  plain.ini"}));
    EXPECT_EQ(dialog.SkinInfoList().size(), 5u);
    EXPECT_TRUE(dialog.GetSelectedSkinFile().empty());
    EXPECT_TRUE(dialog.CheckBox1->isChecked());
    EXPECT_TRUE(dialog.Edit1->isReadOnly());
    EXPECT_EQ(dialog.Edit1->palette().color(QPalette::Base),
              dialog.palette().color(QPalette::Button));
    for (int i = 0; i < 3; ++i) {
        const QImage image = TSkinSelectDialog::TreeImage(i).toImage();
        EXPECT_EQ(image.size(), QSize(16, 16));
        EXPECT_NE(image.pixel(7, 8), 0u) << "image " << i << " is empty";
    }
}

TEST(SkinSelectDialog, UserSkinsAreListedWithTheShippedOnes) {
    SkinFolder skins;
    TempDir user;
    const std::string userRoot = user.Path() + "/zomika2/Skin";
    const std::string mine = user.Write("zomika2/Skin/m/mine.ini", General("Shared", "Mine", "Me"));
    const std::string own = user.Write("zomika2/Skin/n/own.ini", General("Own", "Own"));
    user.Write("zomika2/Skin/loose.ini", General("Loose", "Loose"));
    // The same folder twice (a portable copy unpacked into the user's data folder) lists once;
    // a user folder that does not exist lists nothing.
    TSkinSelectDialog dialog(nullptr, {skins.root, userRoot, userRoot + "/", user.Path() + "/no"});
    EXPECT_EQ(Tree(dialog.TreeView1),
              QStringList({"Other", "  LOUD.INI", "  Shared", "Own", "  Own", "Shared", "  Alpha",
                           "  Mine", "  Zeta", "名前なし", "  plain.ini"}));
    EXPECT_EQ(dialog.SkinInfoList().size(), 7u);
    dialog.SelectSkinFile(mine);
    EXPECT_EQ(dialog.GetSelectedSkinFile(), mine);
    EXPECT_EQ(dialog.Edit1->text().toStdString(), mine);
    EXPECT_EQ(dialog.Edit2->text(), "Me");
    dialog.SelectSkinFile(own);
    EXPECT_EQ(dialog.GetSelectedSkinFile(), own);
}

TEST(SkinSelectDialog, CategoriesNeverTakeTheSelection) {
    SkinFolder skins;
    TSkinSelectDialog dialog(nullptr, skins.root);
    dialog.show();
    std::vector<std::string> previews;
    dialog.OnPreview = [&](const std::string& f) { previews.push_back(f); };
    QTreeWidget* tree = dialog.TreeView1;
    Click(tree, Node(tree, "Shared", "Alpha"));
    EXPECT_EQ(dialog.GetSelectedSkinFile(), skins.alpha);
    EXPECT_EQ(dialog.Edit2->text(), "Ben");
    EXPECT_EQ(dialog.Edit3->text(), "1.0");
    EXPECT_EQ(dialog.Edit1->text().toStdString(), skins.alpha);
    EXPECT_EQ(dialog.Memo1->toPlainText(), "about Alpha");
    Click(tree, Node(tree, "Other"));
    EXPECT_EQ(dialog.GetSelectedSkinFile(), skins.alpha);
    Click(tree, Node(tree, "Shared", "Alpha"));
    QTest::keyClick(tree, Qt::Key_Up); // from Alpha up onto its category
    EXPECT_EQ(dialog.GetSelectedSkinFile(), skins.alpha);
    EXPECT_EQ(dialog.Edit2->text(), "Ben");
    EXPECT_EQ(previews, std::vector<std::string>({skins.alpha}));
    // The keyboard passes over the category to the next skins.
    QTest::keyClick(tree, Qt::Key_Up);
    EXPECT_EQ(dialog.GetSelectedSkinFile(), skins.named);
}

TEST(SkinSelectDialog, FileFoundWhateverItsLetterCase) {
    SkinFolder skins;
    TSkinSelectDialog dialog(nullptr, skins.root);
    std::vector<std::string> previews;
    dialog.OnPreview = [&](const std::string& f) { previews.push_back(f); };
    std::string other = skins.zeta;
    for (char& c : other)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    dialog.SelectSkinFile(other);
    EXPECT_EQ(dialog.GetSelectedSkinFile(), skins.zeta);
    // The preview gets the path as listed.
    EXPECT_EQ(previews, std::vector<std::string>({skins.zeta}));
    dialog.SelectSkinFile(skins.root + "missing/x.ini");
    EXPECT_EQ(dialog.GetSelectedSkinFile(), skins.zeta);
}

TEST(SkinSelectDialog, PreviewCancelAndOk) {
    SkinFolder skins;
    struct Case {
        const char* name;
        std::function<void(TSkinSelectDialog*)> script;
        std::vector<std::string> loads; // in order, as the main window was asked
        std::string loadedAfter;
        int trayUpdates;
    };
    const Case cases[] = {
        {"Cancel after several previews brings the first skin back",
         [&](TSkinSelectDialog* d) {
             Click(d->TreeView1, Node(d->TreeView1, "Shared", "Alpha"));
             Click(d->TreeView1, Node(d->TreeView1, "名前なし", "plain.ini"));
             QTest::keyClick(d, Qt::Key_Escape);
         },
         {skins.alpha, skins.plain, skins.zeta},
         skins.zeta,
         1},
        {"OK on the loaded skin loads nothing",
         [&](TSkinSelectDialog* d) { d->Button2->click(); },
         {},
         skins.zeta,
         1},
        {"OK keeps the selected skin though the preview was off",
         [&](TSkinSelectDialog* d) {
             QTest::mouseClick(d->CheckBox1, Qt::LeftButton);
             EXPECT_FALSE(d->CheckBox1->isChecked());
             Click(d->TreeView1, Node(d->TreeView1, "Shared", "Alpha"));
             d->Button2->click();
         },
         {skins.alpha},
         skins.alpha,
         1},
        {"ticking the box again previews the selected skin at once",
         [&](TSkinSelectDialog* d) {
             QTest::mouseClick(d->CheckBox1, Qt::LeftButton);
             Click(d->TreeView1, Node(d->TreeView1, "Other", "Shared"));
             QTest::mouseClick(d->CheckBox1, Qt::LeftButton);
             d->close();
         },
         {skins.named, skins.zeta},
         skins.zeta,
         1},
    };
    for (const Case& c : cases) {
        Host host;
        host.loaded = skins.zeta;
        WhenModal([&](QDialog* d) {
            auto* dialog = OpenDialog<TSkinSelectDialog>(d);
            EXPECT_EQ(dialog->GetSelectedSkinFile(), skins.zeta);
            c.script(dialog);
        });
        dialogs::RunSkinSetting(nullptr, {skins.root}, host.Make());
        EXPECT_EQ(host.loads, c.loads) << c.name;
        EXPECT_EQ(host.loaded, c.loadedAfter) << c.name;
        EXPECT_EQ(host.draws, static_cast<int>(c.loads.size())) << c.name;
        EXPECT_EQ(host.trayUpdates, c.trayUpdates) << c.name;
    }
}

TEST(SkinSelectDialog, PreviewOnlyOfAnotherExistingFile) {
    SkinFolder skins;
    Host host;
    host.loaded = skins.zeta;
    const dialogs::TSkinHost h = host.Make();
    dialogs::PreviewSkinFile(h, skins.zeta);
    dialogs::PreviewSkinFile(h, skins.root + "gone/gone.ini");
    EXPECT_TRUE(host.loads.empty());
    dialogs::PreviewSkinFile(h, skins.alpha);
    EXPECT_EQ(host.loads, std::vector<std::string>({skins.alpha}));
    EXPECT_EQ(host.draws, 1);
}

TEST(SkinSelectDialog, NoClickOrKeyLeavesTheTreeWithoutASkin) {
    SkinFolder skins;
    struct Case {
        const char* name;
        std::function<void(QTreeWidget*)> action;
    };
    const Case cases[] = {
        {"a click below the last node",
         [](QTreeWidget* tree) {
             QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                               QPoint(10, tree->viewport()->height() - 3));
         }},
        {"a Ctrl+click on the selected skin",
         [](QTreeWidget* tree) {
             QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::ControlModifier,
                               tree->visualItemRect(tree->currentItem()).center());
         }},
        {"Ctrl+Space on the selected skin",
         [](QTreeWidget* tree) { QTest::keyClick(tree, Qt::Key_Space, Qt::ControlModifier); }},
    };
    for (const Case& c : cases) {
        Host host;
        host.loaded = skins.zeta;
        WhenModal([&](QDialog* d) {
            auto* dialog = OpenDialog<TSkinSelectDialog>(d);
            QTreeWidget* tree = dialog->TreeView1;
            Click(tree, Node(tree, "Shared", "Alpha"));
            c.action(tree);
            EXPECT_EQ(dialog->GetSelectedSkinFile(), skins.alpha) << c.name;
            EXPECT_EQ(dialog->Edit2->text(), "Ben") << c.name;
            EXPECT_TRUE(dialog->Button2->isEnabled()) << c.name;
            dialog->Button2->click();
        });
        dialogs::RunSkinSetting(nullptr, {skins.root}, host.Make());
        EXPECT_EQ(host.loads, std::vector<std::string>({skins.alpha})) << c.name;
        EXPECT_EQ(host.loaded, skins.alpha) << c.name;
    }
}

TEST(SkinSelectDialog, OkWaitsForASkinWhenTheLoadedOneIsNotListed) {
    SkinFolder skins;
    Host host;
    host.loaded = "/elsewhere/mine.ini";
    WhenModal([&](QDialog* d) {
        auto* dialog = OpenDialog<TSkinSelectDialog>(d);
        EXPECT_TRUE(dialog->GetSelectedSkinFile().empty());
        EXPECT_FALSE(dialog->Button2->isEnabled());
        QTest::keyClick(d, Qt::Key_Return); // the default button does nothing while disabled
        EXPECT_TRUE(d->isVisible());
        Click(dialog->TreeView1, Node(dialog->TreeView1, "Other", "LOUD.INI"));
        EXPECT_TRUE(dialog->Button2->isEnabled());
        QTest::keyClick(d, Qt::Key_Return);
    });
    dialogs::RunSkinSetting(nullptr, {skins.root}, host.Make());
    EXPECT_EQ(host.loads, std::vector<std::string>({skins.upper}));
    EXPECT_EQ(host.loaded, skins.upper);
}

// Four lines of description show whole, without scrolling; a fifth needs the scroll bar. The
// buttons stay inside the dialog below the boxes.
TEST(SkinSelectDialog, DescriptionShowsFourWholeLines) {
    SkinFolder skins;
    TSkinSelectDialog dialog(nullptr, skins.root);
    dialog.show();
    for (const auto& [text, scrolls] :
         {std::pair<QString, bool>{QStringLiteral("一行目\n二行目\n三行目\n四行目"), false},
          std::pair<QString, bool>{QStringLiteral("一行目\n二行目\n三行目\n四行目\n五行目"),
                                   true}}) {
        dialog.Memo1->setPlainText(text);
        QApplication::processEvents();
        EXPECT_EQ(dialog.Memo1->verticalScrollBar()->maximum() > 0, scrolls) << text.toStdString();
    }
    EXPECT_LE(dialog.Memo1->geometry().bottom(), dialog.Memo1->parentWidget()->height() - 4);
    EXPECT_LE(dialog.Button1->geometry().bottom(), dialog.height());
    EXPECT_GT(dialog.Button1->geometry().top(), dialog.GroupBox3->geometry().bottom());
}
