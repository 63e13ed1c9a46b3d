// The menu bar of the main window: login entries, settings dialogs, option toggles, help.

#include "app/LinuxSettings.h"
#include "gui/AboutDlg.h"
#include "gui/ComboBox2.h"
#include "gui/DlgAria2.h"
#include "gui/DlgDownSet.h"
#include "gui/DlgSaveSet.h"
#include "gui/QuorvixDlg.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QMenuBar>
#include <QUrl>

namespace {

struct MenuEntry {
    int id;
    const char* caption;
};

struct OptionEntry {
    int id;
    uint16_t bit;
    int onlyForKind;  // -1: enabled for every kind
};

// Entries of the Linux build, beyond the menu's own table: their settings live in quorvix.ini.
constexpr int kArchiveEntry = 40001;
constexpr int kAria2Entry = 40002;

const OptionEntry kOptions[] = {
    {32774, OPT_SKIP_DOWNLOADED, -1},    {32776, OPT_LARGE_IMAGES, 7},
    {32799, OPT_FIX_ORDER, -1},          {32800, OPT_FIX_FORMAT, -1},
    {32802, OPT_LIST_ONLY, -1},          {32804, OPT_SOURCE_NAMES, -1},
    {32808, OPT_MAIN_IMAGE_ONLY, 11},    {32812, OPT_OPEN_FOLDER, -1},
    {32814, OPT_DESCRIPTION_IMAGES, 11},
};

// Start pages of the login entries: each service's login or home page.
QString LoginStartPage(int id) {
    switch (id) {
        case 32781:
            return QStringLiteral("https://user.qzone.qq.com/");
        case 32782:
            return QStringLiteral("http://t.qq.com/");
        case 32789:
            return QStringLiteral("https://passport.baidu.com/v2/?login");
        case 32790:
            return QStringLiteral("https://reg.163.com/");
        case 32791:
            return QStringLiteral("http://www.renren.com/");
        case 32792:
            return QStringLiteral("https://www.yupoo.com/account/login/");
        case 32793:
            return QStringLiteral("http://www.moko.cc/login.html");
        case 32794:
            return QStringLiteral("https://weibo.com/");
        case 32803:
            return QStringLiteral("https://login.taobao.com/member/login.jhtml");
        case 32813:
            return QStringLiteral("http://www.56.com/login");
        case 32815:
            return QStringLiteral("https://passport.hupu.com/login");
        default:
            return QStringLiteral("https://www.baidu.com/");  // 32795: any address
    }
}

// Pages of the help entries.
QString HelpPage(int id) {
    const QString site = QStringLiteral("https://quorvix.invalid/");
    switch (id) {
        case 32807:
            return site + QStringLiteral("files");
        case 32806:
            return site + QStringLiteral("help");
        case 32773:
            return site + QStringLiteral("consult");
        default:
            return site + QStringLiteral("feedback");
    }
}

bool OnlyDigits(const QString& text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

}  // namespace

void CQuorvixDlg::BuildMenu() {
    QMenuBar* bar = menuBar();
    auto addEntries = [this](QMenu* menu, std::initializer_list<MenuEntry> entries) {
        for (const MenuEntry& entry : entries) {
            QAction* action = menu->addAction(QString::fromUtf8(entry.caption));
            action->setObjectName(QStringLiteral("menu%1").arg(entry.id));
            const int id = entry.id;
            connect(action, &QAction::triggered, this, [this, id] { OnMenuCommand(id); });
        }
    };
    QMenu* login = bar->addMenu(QStringLiteral("登录"));
    addEntries(login, {{32781, "QQ空间/QQ群"},
                       {32782, "腾讯微博（登录时勾上下次自动登录）"},
                       {32789, "百度"},
                       {32790, "网易"},
                       {32791, "人人"},
                       {32792, "又拍（下载器没弹窗提示你登录，就不要在这里登录）"},
                       {32793, "美空"},
                       {32794, "新浪微博（登录时勾上下次自动登录）"},
                       {32803, "淘宝（强烈建议用小号登录）"},
                       {32813, "56"},
                       {32815, "虎扑"}});
    login->addSeparator();
    addEntries(login, {{32795, "自定义登录"}});

    QMenu* settings = bar->addMenu(QStringLiteral("设置"));
    settings->setObjectName(QStringLiteral("menuSettings"));
    addEntries(settings, {{32778, "下载参数设置"}, {32779, "文件名设置"}});
    settings->addSeparator();
    addEntries(settings, {{32802, "只生成迅雷下载列表"},
                          {32804, "生成图片原始名文件"},
                          {32799, "修正图片顺序"},
                          {32800, "修正图片格式"},
                          {32774, "不下载以前下载过的图片"},
                          {32812, "下载完成后打开保存路径"}});
    settings->addSeparator();
    addEntries(settings, {{32808, "只下载淘宝宝贝主图"}, {32814, "只下载宝贝描述里的图片"}});
    settings->addSeparator();
    addEntries(settings, {{32776, "又拍相册下载大图（不勾选为下载原图，下载原图速度更慢）"}});
    settings->addSeparator();
    addEntries(settings, {{kArchiveEntry, "使用下载记录（再次下载时只下载没有下载过的图片）"},
                          {kAria2Entry, "aria2 下载设置..."}});
    for (const OptionEntry& option : kOptions) {
        settings->findChild<QAction*>(QStringLiteral("menu%1").arg(option.id))->setCheckable(true);
    }
    settings->findChild<QAction*>(QStringLiteral("menu%1").arg(kArchiveEntry))->setCheckable(true);
    connect(settings, &QMenu::aboutToShow, this, [this, settings] { UpdateMenuMarks(settings); });

    QMenu* transfer = bar->addMenu(QStringLiteral("导入/导出"));
    addEntries(
        transfer,
        {{32811, "导入下载文件并开始下载"}, {32809, "导出下载文件"}, {32810, "导出迅雷下载列表"}});
    transfer->setEnabled(false);
    transfer->menuAction()->setEnabled(false);

    QMenu* tools = bar->addMenu(QStringLiteral("辅助功能"));
    addEntries(tools, {{32807, "文件处理"}});
    bar->addAction(QString())->setEnabled(false);

    QMenu* help = bar->addMenu(QStringLiteral("帮助"));
    addEntries(help, {{32806, "使用说明"}, {32773, "软件咨询"}, {32772, "问题反馈"}});
    help->addSeparator();
    addEntries(help, {{32775, "版本信息"}});
}

void CQuorvixDlg::UpdateMenuMarks(QMenu* menu) {
    if (QAction* archive = menu->findChild<QAction*>(QStringLiteral("menu%1").arg(kArchiveEntry))) {
        archive->setChecked(LoadLinuxSettings(harvest_->settingsFolder()).archive);
    }
    const uint16_t flags = harvest_->Settings().saveRules[CurrentKind()].optionFlags;
    for (const OptionEntry& option : kOptions) {
        if (QAction* action = menu->findChild<QAction*>(QStringLiteral("menu%1").arg(option.id))) {
            action->setChecked(flags & option.bit);
            action->setEnabled(option.onlyForKind < 0 || CurrentKind() == option.onlyForKind);
        }
    }
}

void CQuorvixDlg::ToggleOption(uint16_t bit, uint16_t exclusiveWith) {
    const int kind = CurrentKind();
    harvest_->UpdateSettings([kind, bit, exclusiveWith](SettingsBlock& block) {
        uint16_t& flags = block.saveRules[kind].optionFlags;
        if (flags & bit) {
            flags &= static_cast<uint16_t>(~bit);
        } else {
            flags = static_cast<uint16_t>((flags & ~exclusiveWith) | bit);
        }
    });
}

void CQuorvixDlg::OnMenuCommand(int id) {
    const int kind = CurrentKind();
    switch (id) {
        case 32778: {
            DownloadParams params = harvest_->Settings().downloadParams[kind];
            CDlgDownSet dialog(&params, this);
            if (dialog.exec() == QDialog::Accepted) {
                harvest_->UpdateSettings(
                    [&](SettingsBlock& block) { block.downloadParams[kind] = params; });
            }
            return;
        }
        case 32779: {
            SaveRules rules = harvest_->Settings().saveRules[kind];
            CDlgSaveSet dialog(&rules, this);
            if (dialog.exec() == QDialog::Accepted) {
                harvest_->UpdateSettings([&](SettingsBlock& block) {
                    const uint16_t flags = block.saveRules[kind].optionFlags;
                    block.saveRules[kind] = rules;
                    block.saveRules[kind].optionFlags = flags;
                });
            }
            return;
        }
        case 32808:
            ToggleOption(OPT_MAIN_IMAGE_ONLY, OPT_DESCRIPTION_IMAGES);
            return;
        case 32814:
            ToggleOption(OPT_DESCRIPTION_IMAGES, OPT_MAIN_IMAGE_ONLY);
            return;
        case kArchiveEntry: {
            LinuxSettings linuxSettings = LoadLinuxSettings(harvest_->settingsFolder());
            linuxSettings.archive = !linuxSettings.archive;
            if (!SaveLinuxSettings(harvest_->settingsFolder(), linuxSettings)) {
                ShowMessage(QStringLiteral("设置文件无法写入：") + harvest_->settingsFolder() +
                                QStringLiteral("quorvix.ini"),
                            QStringLiteral("提示"));
            }
            return;
        }
        case kAria2Entry: {
            LinuxSettings linuxSettings = LoadLinuxSettings(harvest_->settingsFolder());
            CDlgAria2 dialog(&linuxSettings, this);
            if (dialog.exec() == QDialog::Accepted &&
                !SaveLinuxSettings(harvest_->settingsFolder(), linuxSettings)) {
                ShowMessage(QStringLiteral("设置文件无法写入：") + harvest_->settingsFolder() +
                                QStringLiteral("quorvix.ini"),
                            QStringLiteral("提示"));
            }
            return;
        }
        case 32775: {
            CAboutDlg about(this);
            about.exec();
            return;
        }
        case 32806:
        case 32773:
        case 32772:
        case 32807:
            QDesktopServices::openUrl(QUrl(HelpPage(id)));
            return;
        default:
            break;
    }
    for (const OptionEntry& option : kOptions) {
        if (option.id == id) {
            ToggleOption(option.bit);
            return;
        }
    }
    OpenLoginEntry(id);
}

void CQuorvixDlg::OpenLoginEntry(int id) {
    QString page = LoginStartPage(id);
    if (id == 32781) {
        const QString typed = address_->currentText();
        if (OnlyDigits(typed) && subKind_->currentIndex() == 0) {
            page += typed;
        }
    }
    OpenLoginWindow(page, false);
}
