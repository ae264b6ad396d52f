#pragma once

#include <QString>

#include <gtest/gtest.h>

#include <exception>
#include <functional>

namespace testsupport {

// Runs `call` and checks that it throws E with exactly `message`.
template <typename E>
void expectFailure(const std::function<void()>& call, const QString& message)
{
    try {
        call();
        ADD_FAILURE() << "no exception; expected: " << message.toStdString();
    } catch (const E& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()), message);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "other exception: " << e.what() << "; expected: " << message.toStdString();
    }
}

} // namespace testsupport
