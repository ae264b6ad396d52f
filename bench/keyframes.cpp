// Reading a keyframed value between keys: its cost with 100,000 keys against
// its cost with 10 keys, measured in this run.

#include "Prm/Parameter.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <random>

namespace {

Prm::Context at(double time)
{
    return Prm::Context(Prm::Time::fromDouble(time), Prm::View(0), 3);
}

// Nanoseconds per value read between two keys of a parameter with `keys` keys.
double readCost(int keys)
{
    auto parameter = std::make_unique<Prm::Parameter<double>>();
    for (int key = 0; key < keys; ++key)
        parameter->vSetValue(double(key % 7), at(key));
    std::mt19937 random(7);
    std::uniform_int_distribution<int> between(0, keys - 2);
    constexpr int reads = 200000;
    std::vector<double> times(reads);
    for (double& time : times)
        time = between(random) + 0.5;
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        double sum = 0;
        const auto started = std::chrono::steady_clock::now();
        for (double time : times)
            sum += parameter->value(at(time));
        const auto elapsed = std::chrono::steady_clock::now() - started;
        if (sum < 0)
            std::printf("%f\n", sum);
        best = std::min(best, std::chrono::duration<double, std::nano>(elapsed).count() / reads);
    }
    return best;
}

} // namespace

int main()
{
    const double few = readCost(10);
    const double many = readCost(100000);
    std::printf("keyframes (ns per value read between keys)\n");
    std::printf("  10 keys %8.0f\n  100000 keys %4.0f\n  ratio %.2f\n", few, many, many / few);
    return 0;
}
