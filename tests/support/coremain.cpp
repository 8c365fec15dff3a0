// Test entry for rules and other tests without widgets: one QCoreApplication for the whole run.
// Programs built on it link without any of Qt's widget, network or browser libraries.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
