// Reading a keyframed value between keys: its cost with 100,000 keys against
// its cost with 10 keys, measured in this run. The two are measured in turn,
// round after round, so that a slower stretch of the machine weighs on both;
// the figures are the medians of the rounds, with their range. Then what
// edits cost at that size: keys added one by one, and keys put into the
// middle of the list (which moves half of it).

#include "Prm/Parameter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int reads = 200000;
constexpr int rounds = 15;

Prm::Context at(double time)
{
    return Prm::Context(Prm::Time::fromDouble(time), Prm::View(0), 3);
}

// A parameter with `keys` keys, and random times between two of its keys.
struct Reads
{
    explicit Reads(int keys) : parameter(std::make_unique<Prm::Parameter<double>>()), times(reads)
    {
        for (int key = 0; key < keys; ++key)
            parameter->vSetValue(double(key % 7), at(key));
        std::mt19937 random(7);
        std::uniform_int_distribution<int> between(0, keys - 2);
        for (double& time : times)
            time = between(random) + 0.5;
    }

    // Nanoseconds per value read, over every time once.
    double cost() const
    {
        double sum = 0;
        const auto started = std::chrono::steady_clock::now();
        for (double time : times)
            sum += parameter->value(at(time));
        const auto elapsed = std::chrono::steady_clock::now() - started;
        if (sum < 0)
            std::printf("%f\n", sum);
        return std::chrono::duration<double, std::nano>(elapsed).count() / reads;
    }

    std::unique_ptr<Prm::Parameter<double>> parameter;
    std::vector<double> times;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void printRow(const char* label, const std::vector<double>& values, const char* unit)
{
    const auto [least, most] = std::minmax_element(values.begin(), values.end());
    std::printf("  %-14s median %7.2f%s (%.2f to %.2f)\n", label, median(values), unit, *least, *most);
}

double secondsSince(std::chrono::steady_clock::time_point started)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

// Microseconds per key added at the end, one by one, up to `keys` keys.
double appendCost(int keys)
{
    Prm::Parameter<double> parameter;
    const auto started = std::chrono::steady_clock::now();
    for (int key = 0; key < keys; ++key)
        parameter.vSetValue(double(key % 7), at(key));
    return secondsSince(started) * 1e6 / keys;
}

// Microseconds per key put into the middle of `keys` keys.
double middleInsertCost(const Reads& list, int inserts)
{
    Prm::Parameter<double> parameter(*list.parameter);
    const double middle = double(parameter.keyframeCount(Prm::View(0)) / 2);
    const auto started = std::chrono::steady_clock::now();
    for (int insert = 0; insert < inserts; ++insert)
        parameter.vSetValue(1.0, at(middle + (insert + 1.0) / (inserts + 1.0)));
    return secondsSince(started) * 1e6 / inserts;
}

} // namespace

int main()
{
    const Reads few(10);
    const Reads many(100000);
    few.cost(); // warms the code and the allocator
    many.cost();
    std::vector<double> fewCosts, manyCosts, ratios;
    for (int round = 0; round < rounds; ++round) {
        fewCosts.push_back(few.cost());
        manyCosts.push_back(many.cost());
        ratios.push_back(manyCosts.back() / fewCosts.back());
    }
    std::printf("keyframes (ns per value read between keys; %d rounds of %d reads, each size in turn)\n", rounds,
                reads);
    printRow("10 keys", fewCosts, " ns");
    printRow("100000 keys", manyCosts, " ns");
    printRow("ratio", ratios, "   ");
    std::printf("  ratio of the medians %.2f (goal <= 2)\n", median(manyCosts) / median(fewCosts));

    std::vector<double> appends, inserts;
    for (int round = 0; round < 5; ++round) {
        appends.push_back(appendCost(100000));
        inserts.push_back(middleInsertCost(many, 200));
    }
    std::printf("keyframe edits at 100000 keys (us per key; 5 rounds)\n");
    printRow("append", appends, " us");
    printRow("middle insert", inserts, " us");
    return 0;
}
