package com.quon.vop.bench;

/**
 * Times the first use of com.quon.vop.Runtime in a fresh JVM: loading the class and its
 * library, wherever the library comes from. Prints the time in microseconds.
 */
public final class LoadTime {
    private LoadTime() {}

    public static void main(String[] args) throws Exception {
        long start = System.nanoTime();
        Class.forName("com.quon.vop.Runtime");
        long end = System.nanoTime();
        System.out.println((end - start) / 1000);
    }
}
