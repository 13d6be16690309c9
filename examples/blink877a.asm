; blink877a.asm - blinks an LED on RB0 of a PIC16F877A, about twice a second.
;
; Hardware: 20 MHz crystal (HS), LED with a series resistor from RB0 to ground.
; RB3, RB6 and RB7 are left unused so that the programmer can reach the chip.

        #include <p16f877a.inc>
        errorlevel -302                 ; bank selection is done by hand below

        __CONFIG _HS_OSC & _WDT_OFF & _PWRTE_ON & _BOREN_ON & _LVP_OFF & _CPD_OFF & _WRT_OFF & _CP_OFF

        cblock  0x20
          count1
          count2
          count3
        endc

        org     0x0000
        goto    start

        org     0x0004
        retfie                          ; no interrupts are enabled

start:
        bsf     STATUS, RP0             ; bank 1
        movlw   b'11111110'             ; RB0 output, the rest inputs
        movwf   TRISB
        bcf     STATUS, RP0             ; bank 0
        clrf    PORTB

blink:
        movlw   b'00000001'
        xorwf   PORTB, F                ; toggle the LED
        call    delay250ms
        goto    blink

; About 250 ms at 20 MHz (5 MHz instruction clock): 5 x 250 x 200 x 4 cycles.
delay250ms:
        movlw   d'5'
        movwf   count3
outer:
        movlw   d'250'
        movwf   count2
middle:
        movlw   d'250'
        movwf   count1
inner:
        nop
        decfsz  count1, F
        goto    inner
        decfsz  count2, F
        goto    middle
        decfsz  count3, F
        goto    outer
        return

        end
