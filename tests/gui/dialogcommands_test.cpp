#include "dialogs/DialogCommands.h"
#include "platform/Errors.h"
#include "platform/qt/Desktop.h"
#include "weather/HttpClient.h"

#include "ModalScript.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Answers every request with one body, or fails like a broken connection.
class TFakeHttp : public THttpClient {
public:
    std::optional<std::string> body;
    std::vector<std::string> requests;
    int disconnects = 0;
    std::string Get(const std::string& url) override {
        requests.push_back(url);
        if (!body)
            throw EHttpError("接続できません");
        return *body;
    }
    void Disconnect() override { ++disconnects; }
};

struct Box {
    QString text, caption;
    platform::MsgButtons buttons;
    platform::MsgIcon icon;
    bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Box& b) {
    return out << b.text.toStdString() << " / " << b.caption.toStdString() << " / "
               << int(b.buttons) << " / " << int(b.icon);
}

const QString kFailed = QStringLiteral("更新の確認に失敗しました。申し訳ありませんがホームページで"
                                       "確認をお願いします。\n\nホームページを開きますか?");
const QString kNoOwn = QStringLiteral("このソフトウェアのバージョン取得に失敗しました。");
const QString kNewer =
    QStringLiteral("新しいバージョンのソフトウェアが見つかりました。ホームページを開きますか?");
const QString kLatest = QStringLiteral("このソフトウェアのバージョンは最新です。");

} // namespace

TEST(UpdateCheck, MessagesAndAnswers) {
    using platform::MsgButtons;
    using platform::MsgIcon;
    using platform::MsgResult;
    const QString caption = QStringLiteral("更新の確認");
    struct Case {
        std::optional<std::string> body;
        std::int32_t own;
        MsgResult answer;
        Box expected;
        bool opensHome;
    };
    const Case cases[] = {
        {"\r\n\r\n33556226\r\n\r\n",
         33556226,
         MsgResult::Ok,
         {kLatest, caption, MsgButtons::Ok, MsgIcon::Information},
         false},
        {"33556225",
         33556226,
         MsgResult::Ok,
         {kLatest, caption, MsgButtons::Ok, MsgIcon::Information},
         false},
        {"33556480\n",
         33556226,
         MsgResult::Yes,
         {kNewer, caption, MsgButtons::YesNo, MsgIcon::Information},
         true},
        {"33556480\n",
         33556226,
         MsgResult::No,
         {kNewer, caption, MsgButtons::YesNo, MsgIcon::Information},
         false},
        // Compared unsigned: a number with the top bit set is the newest there is.
        {"-2147483648",
         33556226,
         MsgResult::No,
         {kNewer, caption, MsgButtons::YesNo, MsgIcon::Information},
         false},
        {"<html><body><h1>404 Not Found</h1></body></html>",
         33556226,
         MsgResult::Yes,
         {kFailed, caption, MsgButtons::YesNo, MsgIcon::Warning},
         true},
        {std::nullopt,
         33556226,
         MsgResult::No,
         {kFailed, caption, MsgButtons::YesNo, MsgIcon::Warning},
         false},
        {"33556226", -1, MsgResult::Ok, {kNoOwn, caption, MsgButtons::Ok, MsgIcon::Warning}, false},
    };
    for (const Case& c : cases) {
        TFakeHttp http;
        http.body = c.body;
        std::vector<Box> boxes;
        QStringList opened;
        platform::SetMessageBoxHandler(
            [&](const QString& text, const QString& cap, MsgButtons buttons, MsgIcon icon) {
                boxes.push_back({text, cap, buttons, icon});
                return c.answer;
            });
        platform::SetOpenUrlHandler([&](const QString& url) { opened << url; });
        dialogs::RunUpdateCheck(nullptr, http, "http://127.0.0.1:1/version.txt", c.own,
                                "http://home.example/");
        QuietMessageBoxes();
        platform::SetOpenUrlHandler(nullptr);
        EXPECT_EQ(http.requests, std::vector<std::string>({"http://127.0.0.1:1/version.txt"}));
        EXPECT_EQ(boxes, std::vector<Box>({c.expected}));
        EXPECT_EQ(opened, c.opensHome ? QStringList({"http://home.example/"}) : QStringList());
    }
}

// A build without a home page offers none: the messages only tell, with an OK button.
TEST(UpdateCheck, WithoutAHomePageNothingIsOffered) {
    using platform::MsgButtons;
    using platform::MsgIcon;
    const QString caption = QStringLiteral("更新の確認");
    const std::pair<std::optional<std::string>, Box> cases[] = {
        {"33556480",
         {QStringLiteral("新しいバージョンのソフトウェアが見つかりました。"), caption,
          MsgButtons::Ok, MsgIcon::Information}},
        {std::nullopt,
         {QStringLiteral("更新の確認に失敗しました。"), caption, MsgButtons::Ok, MsgIcon::Warning}},
        {"33556226", {kLatest, caption, MsgButtons::Ok, MsgIcon::Information}},
    };
    for (const auto& [body, expected] : cases) {
        TFakeHttp http;
        http.body = body;
        std::vector<Box> boxes;
        QStringList opened;
        platform::SetMessageBoxHandler(
            [&](const QString& text, const QString& cap, MsgButtons buttons, MsgIcon icon) {
                boxes.push_back({text, cap, buttons, icon});
                return platform::MsgResult::Yes;
            });
        platform::SetOpenUrlHandler([&](const QString& url) { opened << url; });
        dialogs::RunUpdateCheck(nullptr, http, "http://127.0.0.1:1/version.txt", 33556226, "");
        QuietMessageBoxes();
        platform::SetOpenUrlHandler(nullptr);
        EXPECT_EQ(boxes, std::vector<Box>({expected}));
        EXPECT_TRUE(opened.isEmpty());
    }
}

TEST(UpdateCheck, OwnVersionNumberOfThisExecutable) {
    EXPECT_EQ(dialogs::GetVersionNumber(), 33556226);
}

TEST(OpenWebPage, BothAddressesInOrderHalfASecondApartWithoutBlocking) {
    QStringList opened;
    QElapsedTimer clock;
    qint64 secondAt = -1;
    platform::SetOpenUrlHandler([&](const QString& url) {
        opened << url;
        if (opened.size() == 2)
            secondAt = clock.elapsed();
    });
    clock.start();
    dialogs::OpenTwoPages("http://a.example/p5", "http://a.example/p6");
    // The first is open at once, the second not yet: the interface thread is free meanwhile.
    EXPECT_EQ(opened, QStringList({"http://a.example/p5"}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return opened.size() == 2; }, 5000));
    platform::SetOpenUrlHandler(nullptr);
    EXPECT_EQ(opened, QStringList({"http://a.example/p5", "http://a.example/p6"}));
    EXPECT_GE(secondAt, 490);
}
