// The formatters behind real line edits, typed into key by key, in a C and a
// German locale.

#include "gui/qt/controls/LQtFormatterValidator.h"

#include <QApplication>
#include <QLineEdit>
#include <QLocale>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QApplication* App()
{
    static int argc = 1;
    static char name[] = "formatter_validator_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return app;
}

class FormatterValidator : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        App();
        QLocale::setDefault(QLocale(GetParam()));
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

TEST_P(FormatterValidator, DecimalFieldTakesTheLocaleSeparator)
{
    const std::string separator = LQtFormatterValidator::DecimalSeparator();
    EXPECT_EQ(separator, QLocale(GetParam()).decimalPoint().toStdString());
    auto formatter = std::make_unique<LDoubleValueFormatter>(separator);
    formatter->SetMaximumFractionDigits(2);
    QLineEdit edit;
    edit.setValidator(new LQtFormatterValidator(std::move(formatter), &edit));
    const QString other = separator == "," ? "." : ",";
    QTest::keyClicks(&edit, "12" + other + "5");
    EXPECT_EQ(edit.text(), "125");
    edit.clear();
    QTest::keyClicks(&edit, "12" + QString::fromStdString(separator) + "567");
    EXPECT_EQ(edit.text().toStdString(), "12" + separator + "56");
    EXPECT_TRUE(edit.hasAcceptableInput());
}

TEST_P(FormatterValidator, IntegerFieldRefusesWhatCannotStand)
{
    auto formatter = std::make_unique<LIntegerValueFormatter>();
    formatter->SetMaximumLimit(500);
    QLineEdit edit;
    edit.setValidator(new LQtFormatterValidator(std::move(formatter), &edit));
    QTest::keyClicks(&edit, "-");
    EXPECT_EQ(edit.text(), "-");
    EXPECT_FALSE(edit.hasAcceptableInput());
    QTest::keyClicks(&edit, "4a9");
    EXPECT_EQ(edit.text(), "-49");
    EXPECT_TRUE(edit.hasAcceptableInput());
    edit.clear();
    QTest::keyClicks(&edit, "5019");
    EXPECT_EQ(edit.text(), "50");
    edit.clear();
    // Twelve digits never fit.
    auto wide = std::make_unique<LIntegerValueFormatter>();
    QLineEdit big;
    big.setValidator(new LQtFormatterValidator(std::move(wide), &big));
    QTest::keyClicks(&big, "123456789012");
    EXPECT_EQ(big.text(), "1234567890");
}

TEST_P(FormatterValidator, FilterWithoutFunctionKeepsTheFieldAsItIs)
{
    QLineEdit edit;
    edit.setValidator(new LQtFormatterValidator(std::make_unique<LEditControlFormatter>(), &edit));
    QTest::keyClicks(&edit, "abc");
    EXPECT_EQ(edit.text(), "");
}

INSTANTIATE_TEST_SUITE_P(Locales, FormatterValidator, ::testing::Values("C", "de_DE"),
                         [](const auto& info) { return std::string(info.param) == "C" ? "C" : "German"; });

} // namespace
