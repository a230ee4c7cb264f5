TLV range file for the self-test of one amplifier board
Version 2.3

CFast Table:
 med,  10 kHz   0.5e-12 / 4.5e-12
 med,  30 kHz   0.66e-12 / 6.0e-12
 high, 30 kHz   0.26e-12 / 2.4e-12

HFCal:
 med     < 0.02
 high    < 0.025

Test Results:

MuxTransfer
 Gain 1 # 5%    Offset < 2      Noise 0 / 0.5
 Gain 64 # 5%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 5%    Offset < 2      Noise 0 / 0.5
 Gain 64 # 5%    Offset < 2      Noise 0 / 0.5

Filter1 Response
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Fo 2.9E3 # 10%    Q  0.5 / 0.9
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Fo 10E3 # 10%    Q  0.5 / 0.9
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Fo 30E3 # 10%    Q  0.5 / 0.9

Probe Offset Dac
 Min -10500 / -9500    Max 9500 / 10500    Offset < 5    Noise 0 / 1

Slow Tau
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05

HF Comp
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

HF  Gain 0.9 / 1.1

Probe To IMon1
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

Output Amp
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 2 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 4 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 10 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 20 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 40 # 2%    Offset < 2      Noise 0 / 0.5

Output Amp Filter
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

Filter 2
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

Clipping
 Min -10500 / -9500    Max 9500 / 10500    Offset < 5    Noise 0 / 1

Mux Source
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

F2 Response
 Fo 1E3 # 10%    Q  0.5 / 0.9
 Fo 3E3 # 10%    Q  0.5 / 0.9
 Fo 10E3 # 10%    Q  0.5 / 0.9
 Fo 30E3 # 10%    Q  0.5 / 0.9
 Fo 60E3 # 10%    Q  0.5 / 0.9
 Fo 100E3 # 10%    Q  0.5 / 0.9

Offset Dac
 Min -10500 / -9500    Max 9500 / 10500    Offset < 5    Noise 0 / 1

Out 1 pF
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
Out 10 pF
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
Auto Zero
 Fo 1.6E3 # 10%    Q  0.5 / 0.9

Stim Buffer
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

Stim Scaling
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

Stim Dac And Filter
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

Stim Filter
 Fo 2E3 # 10%    Q  0.5 / 0.9
 Fo 20E3 # 10%    Q  0.5 / 0.9

CC FeedThru
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

CCStepResponse  0.09 / 0.11
                0.9 / 1.1
CCVmon  Gain 0.98 / 1.02
CCStim  Gain 0.98 / 1.02
        Gain 0.98 / 1.02
        Gain 0.98 / 1.02

G-Leak
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

G-Leak FeedThru  < 0.01

V-ref
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

Vp Offset Dac
 Min -10500 / -9500    Max 9500 / 10500    Offset < 5    Noise 0 / 1

Stim to 10pF
 Gain 0.95 / 1.05

R Series
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

Rs comp tau
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05

CFastAmp1_10pF
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

CFastAmp2_10pF
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

CFastTaus
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05

CSlow
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

GSeries
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05

Rs factor
 Tau 100 # 20%    Amp 0.5 / 1.5    Base < 0.05

CSlow to 1 pF
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

CSlow to 10 pF
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

Dac-0 to Test Input
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

Dac-1 to Stim Input
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

VMon to ADC-0
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

IMon1 to Adc-1
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

IMon2 to Adc-2
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

VMon to VMonAdc
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5
 Gain 100 # 2%    Offset < 2      Noise 0 / 0.5

IMon2 to IMonAdc
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

DacTest-IC4A   100
DacTest-IC4B   101
DacTest-IC7A   102
DacTest-IC7B   103
DacTest-IC8A   104
DacTest-IC8B   105
DacTest-IC12A  106
DacTest-IC12B  107
DacTest-IC25A  108
DacTest-IC25B  109
DacTest-IC34A  110
DacTest-IC34B  111
DacTest-IC41A  112
DacTest-IC41B  113
DacTest-IC50A  114
DacTest-IC50B  115
DacTest-IC56A  116
DacTest-IC56B  117

TLV1: Input10M
 Gain 50 # 20%    Offset < 4000      Noise 0 / 0.5

CMR
 Gain 0 / 0.05    Offset < 100      Noise 0 / 0.5

Offsets - low :  < 20
        - med :  < 20
        - high:  < 20

ProbeOut -   0V:  < 20
         -   5V:  480 / 520
         - diff:  480 / 520

Test1pF
 Gain 3.96 # 10%    Offset < 10      Noise 0 / 0.5
 Gain 640 # 10%    Offset < 10      Noise 0 / 0.5
 Gain 74 # 10%    Offset < 10      Noise 0 / 0.5

Test10pF
 Gain 3.84 # 10%    Offset < 10      Noise 0 / 0.5
 Gain 650 # 10%    Offset < 10      Noise 0 / 0.5
 Gain 7.4 # 10%    Offset < 10      Noise 0 / 0.5

Noise   - low :  3.7e-29 / 3.7e-28
                 4e-29 / 4e-28
                 7e-29 / 7e-28
                 3.5e-28 / 3.5e-27
        - med :  4.6e-32 / 4.6e-31
                 4.3e-32 / 4.3e-31
                 7.6e-32 / 7.6e-31
                 4e-31 / 4e-30
        - high:  6e-34 / 6e-33
                 6.7e-34 / 6.7e-33
                 1.2e-33 / 1.2e-32
                 5.8e-33 / 5.8e-32

NoiseTest
 Noise20   < 30
 Noise100  < 60

Modifications:

V-ref_x2
 Gain 2 # 2%    Offset < 2      Noise 0 / 0.5

VmonFilter
 Gain 1 # 2%    Offset < 2      Noise 0 / 0.5

TLV3-F1_100kHz_Risetime
 Amp 0.9 / 1.1    y1  0.05 / 0.15    y2  0.45 / 0.55    y3  0.85 / 0.95

TLV4plus-F1_100kHz_Risetime
 Amp 0.9 / 1.1    y1  0.05 / 0.15    y2  0.45 / 0.55    y3  0.85 / 0.95

TLV4-F1_100kHz_Risetime
 Amp 0.9 / 1.1    y1  0.05 / 0.15    y2  0.45 / 0.55    y3  0.85 / 0.95

TLV4USB-F1_100kHz_Risetime
 Amp 0.9 / 1.1    y1  0.05 / 0.15    y2  0.45 / 0.55    y3  0.85 / 0.95

RefGainTrimDac   1000 / 3000
                 1100 / 3100
RefGainTrimSpan  0.1 / 1
                 0.2 / 2

ZRV24-Calib
 DA-AD_Delay   1.5E-6
 InFilterTau   1.25E-6
 OutFilterTau  1.75E-6
 SampleCorr    0

ZRV28-Calib
 DA-AD_Delay   2.5E-6
 InFilterTau   2.25E-6
 OutFilterTau  2.75E-6
 SampleCorr    -1

QRN2400-Calib
 DA-AD_Delay   3.5E-6
 InFilterTau   3.25E-6
 OutFilterTau  3.75E-6
 SampleCorr    -2

QRN55-Calib
 DA-AD_Delay   4.5E-6
 InFilterTau   4.25E-6
 OutFilterTau  4.75E-6
 SampleCorr    -3

END of SELFTEST
