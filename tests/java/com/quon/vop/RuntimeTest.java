package com.quon.vop;

import static com.quon.vop.LoadedLibraries.VERSION;
import static org.junit.jupiter.api.Assertions.assertArrayEquals;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.quon.vop.LoadedLibraries.Recorder;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.Arrays;
import java.util.Collections;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/** The real library, loaded by a real JVM (run with -Xcheck:jni). */
class RuntimeTest {
    private final Runtime runtime = new Runtime();

    static class InheritsSet extends Recorder {}

    static class SixInts {
        boolean called;

        public void set(int a, int b, int c, int d, int e, int f) {
            called = true;
        }
    }

    static class WithLong {
        boolean called;

        public void set(int a, int b, int c, long d, int e, int f, int g) {
            called = true;
        }
    }

    static class StaticSet {
        static boolean called;

        public static void set(int a, int b, int c, int d, int e, int f, int g) {
            called = true;
        }
    }

    static class Throws {
        public void set(int a, int b, int c, int d, int e, int f, int g) {
            throw new IllegalStateException("from set");
        }
    }

    @Test
    void versionReachesSetInOrder() {
        Recorder recorder = new Recorder();
        assertEquals(0, runtime.iGetVersion(recorder));
        assertArrayEquals(VERSION, recorder.received);
    }

    @Test
    void inheritedSetCounts() {
        InheritsSet target = new InheritsSet();
        assertEquals(0, runtime.iGetVersion(target));
        assertArrayEquals(VERSION, target.received);
    }

    @Test
    void wrongSignaturesLeaveNoSuchMethodErrorForTheCaller() {
        SixInts six = new SixInts();
        assertThrows(NoSuchMethodError.class, () -> runtime.iGetVersion(six));
        assertFalse(six.called);

        WithLong withLong = new WithLong();
        assertThrows(NoSuchMethodError.class, () -> runtime.iGetVersion(withLong));
        assertFalse(withLong.called);

        assertThrows(NoSuchMethodError.class, () -> runtime.iGetVersion(new StaticSet()));
        assertFalse(StaticSet.called);

        assertThrows(NoSuchMethodError.class, () -> runtime.iGetVersion(new Object()));
    }

    @Test
    void exceptionFromSetReachesTheCaller() {
        IllegalStateException e =
                assertThrows(IllegalStateException.class, () -> runtime.iGetVersion(new Throws()));
        assertEquals("from set", e.getMessage());
    }

    @Test
    void nullTargetGivesOne() {
        assertEquals(1, runtime.iGetVersion(null));
    }

    @Test
    void applicationNames() {
        assertEquals(0, runtime.iSetApplicationName("Payroll"));
        assertEquals(1, runtime.iSetApplicationName(null));
        assertEquals(0, runtime.iSetApplicationName(""));
        assertEquals(0, runtime.iSetApplicationName("caf\u00e9 \u0000 \u4e2d \ud83d\ude00"));
    }

    @Test
    void hugeNameIsStored() {
        char[] chars = new char[8 * 1024 * 1024];
        Arrays.fill(chars, '\u00e9');
        assertEquals(0, runtime.iSetApplicationName(new String(chars)));
        assertEquals(0, runtime.iSetApplicationName("short again"));
    }

    @Test
    void manyThreadsSetTheNameAtOnce() throws InterruptedException {
        Thread[] threads = new Thread[8];
        int[] failures = new int[threads.length];
        for (int t = 0; t < threads.length; t++) {
            final int index = t;
            // Long enough to live on the native heap; each thread its own lengths.
            final String name = "application name of thread " + t + " " + "x".repeat(16 * t);
            threads[t] = new Thread(() -> {
                for (int i = 0; i < 100000; i++) {
                    if (runtime.iSetApplicationName(i % 2 == 0 ? name : name + i) != 0) {
                        failures[index]++;
                    }
                }
            });
            threads[t].start();
        }
        for (Thread thread : threads) thread.join();
        assertArrayEquals(new int[threads.length], failures);
    }

    @Test
    void manyThreadsAskForTheVersion() throws InterruptedException {
        Thread[] threads = new Thread[8];
        int[][] results = new int[threads.length][];
        for (int t = 0; t < threads.length; t++) {
            final int index = t;
            threads[t] = new Thread(() -> {
                Recorder recorder = new Recorder();
                for (int i = 0; i < 2000; i++) {
                    if (runtime.iGetVersion(recorder) != 0) return;
                }
                results[index] = recorder.received;
            });
            threads[t].start();
        }
        for (Thread thread : threads) thread.join();
        for (int[] result : results) assertArrayEquals(VERSION, result);
    }

    /** Loads and uses Runtime in a fresh loader over the bundled jar; returns its copy. */
    private static String useInASecondLoader(Path folder) throws Exception {
        System.setProperty(LoadedLibraries.FOLDER_PROPERTY, folder.toString());
        try {
            return LoadedLibraries.useInAFreshLoader(
                    Paths.get(System.getenv("ORV_BUNDLED_JAR")), folder, "second");
        } finally {
            System.clearProperty(LoadedLibraries.FOLDER_PROPERTY);
        }
    }

    @Test
    void aSecondClassLoaderGetsACopyOfItsOwn(@TempDir Path folder) throws Exception {
        // This class's Runtime took the build's library from java.library.path; the JVM
        // gives that file to no other class loader, so a second one extracts its own copy.
        String system = Paths.get(System.getenv("ORV_LIBRARY")).toRealPath().toString();
        assertTrue(LoadedLibraries.mappedCopies().contains(system));
        String copy = useInASecondLoader(folder);
        assertTrue(copy.startsWith(folder.resolve("quonvop4j-").toString()), copy);
        LoadedLibraries.awaitUnmapped(copy);
        assertEquals(Collections.emptyList(), LoadedLibraries.contents(folder));
        assertTrue(LoadedLibraries.mappedCopies().contains(system));
        assertEquals(0, runtime.iGetVersion(new Recorder()));
    }
}
