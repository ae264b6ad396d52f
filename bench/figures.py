"""How the benchmarks measure and report: each figure is taken in several
rounds and shown as the median of the rounds with their range, so that one
round's noise does not decide a ratio. Figures that are compared are taken in
turn within each round, so that a slower stretch of the machine weighs on
both; a ratio is that of the medians, with the range of the rounds' ratios."""
import os
import statistics


def in_rounds(measures, rounds):
    """{name: [its figure in each round]} for measures {name: callable}, each
    called once per round, in turn."""
    figures = {name: [] for name in measures}
    for _ in range(rounds):
        for name, measure in measures.items():
            figures[name].append(measure())
    return figures


def median(values):
    return statistics.median(values)


def spread(values, digits=0):
    """'37 (35 to 41)': the median and the range of the rounds."""
    return "%.*f (%.*f to %.*f)" % (digits, median(values), digits, min(values), digits, max(values))


def ratio(ours, theirs, digits=2):
    """'1.12 (1.05 to 1.20)': the ratio of the medians and the range of the
    ratios of the rounds."""
    each = [mine / baseline for mine, baseline in zip(ours, theirs)]
    return "%.*f (%.*f to %.*f)" % (digits, median(ours) / median(theirs), digits, min(each), digits, max(each))


def resident_mib():
    """The memory the process occupies now, in MiB."""
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") / 2**20
