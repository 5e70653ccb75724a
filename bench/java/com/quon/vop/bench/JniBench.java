package com.quon.vop.bench;

import com.quon.vop.Runtime;
import java.util.Arrays;

/**
 * Times the library's iGetVersion against a hand-written native method that makes the same
 * three JNI calls, and against an empty native method.
 *
 * <p>Arguments: rounds (default 15) and calls per round (default 2000000). After a warm-up of
 * the same size, each round times every method once; the median round is reported in the JSON
 * form of Google Benchmark, nanoseconds per call, on standard output.
 */
public final class JniBench {
    static {
        System.loadLibrary("quonvop4jbench");
    }

    /** Same three JNI calls as iGetVersion. */
    native int baseline(Object target);

    /** Returns 0 at once. */
    native int empty(Object target);

    /** The object whose set method the natives call. */
    static final class Version {
        long sum;

        void set(int major, int minor, int build, int revision, int year, int month, int day) {
            sum += major + minor + build + revision + year + month + day;
        }
    }

    private interface Call {
        int run(Object target);
    }

    private static long sink;

    private static double nanosPerCall(Call call, Object target, int calls) {
        long start = System.nanoTime();
        int status = 0;
        for (int i = 0; i < calls; i++) {
            status |= call.run(target);
        }
        long elapsed = System.nanoTime() - start;
        if (status != 0) {
            throw new IllegalStateException("a native method failed: " + status);
        }
        sink += status;
        return (double) elapsed / calls;
    }

    private static double median(double[] values) {
        double[] sorted = values.clone();
        Arrays.sort(sorted);
        return sorted[sorted.length / 2];
    }

    public static void main(String[] args) {
        int rounds = args.length > 0 ? Integer.parseInt(args[0]) : 15;
        int calls = args.length > 1 ? Integer.parseInt(args[1]) : 2000000;
        Runtime runtime = new Runtime();
        JniBench bench = new JniBench();
        Version target = new Version();

        String[] names = {"ours/JNI.iGetVersion", "base/JNI.iGetVersion", "base/JNI.empty"};
        Call[] methods = {runtime::iGetVersion, bench::baseline, bench::empty};
        for (Call method : methods) {
            nanosPerCall(method, target, calls);
        }
        double[][] times = new double[methods.length][rounds];
        for (int round = 0; round < rounds; round++) {
            for (int m = 0; m < methods.length; m++) {
                times[m][round] = nanosPerCall(methods[m], target, calls);
            }
        }
        if (target.sum == 0) {
            throw new IllegalStateException("set was never called");
        }

        StringBuilder out = new StringBuilder();
        out.append("{\n  \"context\": {\"java\": \"")
                .append(System.getProperty("java.vm.name")).append(' ')
                .append(System.getProperty("java.version")).append(' ')
                .append(System.getProperty("os.arch")).append("\"},\n  \"benchmarks\": [\n");
        for (int m = 0; m < methods.length; m++) {
            out.append(String.format(java.util.Locale.ROOT,
                    "    {\"name\": \"%s\", \"run_name\": \"%s\", \"aggregate_name\": \"median\","
                            + " \"real_time\": %.3f, \"time_unit\": \"ns\", \"rounds\": %d}%s\n",
                    names[m], names[m], median(times[m]), rounds,
                    m + 1 < methods.length ? "," : ""));
        }
        out.append("  ]\n}");
        System.out.println(out);
        if (sink != 0) {
            System.err.println(sink);
        }
    }
}
