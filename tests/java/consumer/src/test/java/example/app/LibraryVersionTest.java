package example.app;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.quon.vop.Runtime;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Paths;
import org.junit.jupiter.api.Test;

/** The dependency, resolved by its coordinates, loads its own library and answers. */
class LibraryVersionTest {
    private static final String VERSION = System.getProperty("quonvop4j.version");

    @Test
    void theLibraryReportsTheVersionOfTheDependency() {
        assertEquals(VERSION + " " + System.getProperty("quonvop4j.released"),
                LibraryVersion.read("Consumer test"));
    }

    @Test
    void theLibraryCameOutOfTheResolvedJar() throws IOException {
        // The class comes from the jar Maven resolved into its local repository...
        String jar = Runtime.class.getProtectionDomain().getCodeSource().getLocation().getPath();
        String expected = "/com/quon/vop/quonvop4j/" + VERSION + "/quonvop4j-" + VERSION + ".jar";
        assertTrue(jar.endsWith(expected), jar);
        // ...and the library from that jar: extracted, mapped, and already removed.
        LibraryVersion.read("Consumer test");
        boolean extracted = false;
        for (String line : Files.readAllLines(Paths.get("/proc/self/maps"))) {
            extracted |= line.matches(".*/quonvop4j-[0-9a-f]+/libquonvop4j\\.so \\(deleted\\)$");
        }
        assertTrue(extracted, "no extracted libquonvop4j.so mapped");
    }
}
