/**
 * The Java face of the native library libquonvop4j: {@link com.quon.vop.Runtime}, whose
 * loading finds the library (named by a property, on {@code java.library.path}, or the copy
 * in the jar for the JVM's architecture), and {@link com.quon.vop.Demo}, the jar's main class.
 */
package com.quon.vop;
