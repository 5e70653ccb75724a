package com.quon.vop.bench;

import java.lang.management.ManagementFactory;
import java.lang.management.ThreadMXBean;

/**
 * Times the first use of com.quon.vop.Runtime in a fresh JVM: loading the class and its
 * library, wherever the library comes from. Prints the elapsed time and the thread's CPU
 * time in microseconds; the CPU time holds even when other processes take the cores.
 */
public final class LoadTime {
    private LoadTime() {}

    public static void main(String[] args) throws Exception {
        ThreadMXBean threads = ManagementFactory.getThreadMXBean();
        long cpuStart = threads.getCurrentThreadCpuTime();
        long start = System.nanoTime();
        Class.forName("com.quon.vop.Runtime");
        long end = System.nanoTime();
        long cpuEnd = threads.getCurrentThreadCpuTime();
        System.out.println((end - start) / 1000 + " " + (cpuEnd - cpuStart) / 1000);
    }
}
