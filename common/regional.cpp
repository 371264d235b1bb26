#include "common/regional.h"

#include <atomic>

#ifdef Q_OS_WIN
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <cwchar>
#include <windows.h>
#endif

namespace {
std::atomic<char16_t> decimalSeparator{u'.'};
std::atomic<char16_t> thousandsSeparator{u','};

#ifdef Q_OS_WIN
// The first character of the user's setting, or the fallback when it cannot be read.
char16_t readLocaleChar(LCTYPE type, char16_t fallback)
{
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, type, buffer, 8) > 1)
        return static_cast<char16_t>(buffer[0]);
    return fallback;
}

// The desktop broadcasts WM_SETTINGCHANGE with "intl" when the regional settings change.
class RegionalSettingsWatch : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "windows_generic_MSG" || message == nullptr)
            return false;
        const MSG *msg = static_cast<const MSG *>(message);
        if (msg->message == WM_SETTINGCHANGE && msg->lParam != 0 &&
            std::wcscmp(reinterpret_cast<const wchar_t *>(msg->lParam), L"intl") == 0)
            LoadRegionalSettings();
        return false; // the window goes on to see the notice as well
    }
};
#endif
} // namespace

QChar DecimalSeparator()
{
    return QChar(decimalSeparator.load());
}
QChar ThousandsSeparator()
{
    return QChar(thousandsSeparator.load());
}
void SetDecimalSeparator(QChar separator)
{
    decimalSeparator.store(separator.unicode());
}
void SetThousandsSeparator(QChar separator)
{
    thousandsSeparator.store(separator.unicode());
}

void LoadRegionalSettings()
{
#ifdef Q_OS_WIN
    // Not built on the development machines; the fallbacks are the defaults of the other
    // platforms.
    decimalSeparator.store(readLocaleChar(LOCALE_SDECIMAL, u'.'));
    thousandsSeparator.store(readLocaleChar(LOCALE_STHOUSAND, u','));
#endif
}

void FollowRegionalSettings()
{
    LoadRegionalSettings();
#ifdef Q_OS_WIN
    static RegionalSettingsWatch watch;
    static bool installed = false;
    if (!installed && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installNativeEventFilter(&watch);
        installed = true;
    }
#endif
}
